// Java bindings of the simulated motor controller: com.korvane.frc.sim.TorqaSimulator.

#include <jni.h>

#include <map>
#include <memory>
#include <mutex>

#include "torqa/TorqaSim.h"

using korvane::sim::TorqaSim;

namespace {

std::mutex g_mutex;
std::map<jlong, std::shared_ptr<TorqaSim>> g_sims;
jlong g_next = 1;

std::shared_ptr<TorqaSim> find(jlong id) {
  std::lock_guard lock(g_mutex);
  auto it = g_sims.find(id);
  return it == g_sims.end() ? nullptr : it->second;
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_TorqaSimulator_attach0(JNIEnv*, jclass,
                                                                        jint deviceNumber) {
  auto sim = TorqaSim::attach(deviceNumber);
  std::lock_guard lock(g_mutex);
  g_sims[g_next] = sim;
  return g_next++;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_detach(JNIEnv*, jclass, jlong id) {
  std::shared_ptr<TorqaSim> sim;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_sims.find(id);
    if (it == g_sims.end()) return;
    sim = std::move(it->second);
    g_sims.erase(it);
  }
  sim->detach();
}

// 0 none, 1 disabled, 2 enabled.
JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_TorqaSimulator_heartbeat(JNIEnv*, jclass,
                                                                         jlong id) {
  auto sim = find(id);
  return sim ? static_cast<jint>(sim->heartbeat()) : 0;
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_TorqaSimulator_outputsEnabled(JNIEnv*, jclass,
                                                                                  jlong id) {
  auto sim = find(id);
  return sim && sim->outputsEnabled() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_sim_TorqaSimulator_heartbeatRate(JNIEnv*, jclass,
                                                                                jlong id) {
  auto sim = find(id);
  return sim ? sim->heartbeatRate() : 0.0;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_TorqaSimulator_heartbeatCount(JNIEnv*, jclass,
                                                                               jlong id) {
  auto sim = find(id);
  return sim ? static_cast<jlong>(sim->heartbeatCount()) : 0;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_TorqaSimulator_motorFrequency(JNIEnv*, jclass,
                                                                              jlong id,
                                                                              jint motor) {
  auto sim = find(id);
  return sim ? sim->motorFrequency(motor) : -1;
}

}  // extern "C"
