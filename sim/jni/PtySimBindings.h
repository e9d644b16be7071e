#pragma once

// What the bindings of every simulator on a pseudo-terminal do alike, by the id Java holds: its
// path, hanging it up, and stopping it for good.

#include <jni.h>

#include "SimRegistry.h"

template <class Sim>
jstring pathOf(JNIEnv* env, SimRegistry<Sim>& sims, jlong id) {
  auto sim = sims.find(id);
  return sim ? env->NewStringUTF(sim->path().c_str()) : nullptr;
}

template <class Sim>
void hangUp(SimRegistry<Sim>& sims, jlong id) {
  if (auto sim = sims.find(id)) sim->hangUp();
}

// Forgets the id; the simulator is freed once no call in progress holds it.
template <class Sim>
void stop(SimRegistry<Sim>& sims, jlong id) {
  if (auto sim = sims.remove(id)) sim->hangUp();
}
