// Java bindings of the simulated colour sensors: com.korvane.frc.sim.KromelSimulator (CAN) and
// com.korvane.frc.sim.KromelUsbEmulator (USB).

#include <jni.h>

#include <memory>
#include <string>
#include <vector>

#include "JavaValues.h"
#include "PtySimBindings.h"
#include "SimRegistry.h"
#include "com_korvane_frc_sim_KromelSimulator.h"
#include "com_korvane_frc_sim_KromelUsbEmulator.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/kromel/KromelUsbSim.h"

using korvane::sim::KromelCanSim;
using korvane::sim::KromelUsbSim;

namespace {

SimRegistry<KromelCanSim> g_can;
SimRegistry<KromelUsbSim> g_usb;

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_KromelSimulator_attach0(JNIEnv*, jclass, jint bus,
                                                                         jboolean publishing) {
  return g_can.add(KromelCanSim::attach(publishing == JNI_TRUE, bus));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelSimulator_detach(JNIEnv*, jclass, jlong id) {
  if (auto sim = g_can.remove(id)) sim->detach();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelSimulator_setColor(JNIEnv*, jclass, jlong id,
                                                                         jfloat x, jfloat y,
                                                                         jfloat z) {
  if (auto sim = g_can.find(id)) sim->setColor(x, y, z);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelSimulator_setPublishing(JNIEnv*, jclass,
                                                                              jlong id,
                                                                              jboolean on) {
  if (auto sim = g_can.find(id)) sim->setPublishing(on == JNI_TRUE);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelSimulator_setAckStatus(JNIEnv*, jclass,
                                                                             jlong id,
                                                                             jint status) {
  if (auto sim = g_can.find(id)) sim->setAckStatus(static_cast<uint8_t>(status));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelSimulator_setConfigValue(JNIEnv*, jclass,
                                                                               jlong id, jint key,
                                                                               jlong value) {
  if (auto sim = g_can.find(id)) {
    sim->setConfigValue(static_cast<uint8_t>(key), static_cast<uint32_t>(value));
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelSimulator_setSilent(JNIEnv*, jclass, jlong id,
                                                                          jboolean silent) {
  if (auto sim = g_can.find(id)) sim->setSilent(silent == JNI_TRUE);
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_KromelSimulator_commandCount(JNIEnv*, jclass,
                                                                             jlong id) {
  auto sim = g_can.find(id);
  return sim ? static_cast<jint>(sim->commands().size()) : 0;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_KromelSimulator_sequence(JNIEnv*, jclass,
                                                                         jlong id) {
  auto sim = g_can.find(id);
  return sim ? sim->sequence() : 0;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_start0(JNIEnv*, jclass,
                                                                          jint sampleTimeMs) {
  std::shared_ptr<KromelUsbSim> sim = KromelUsbSim::start(sampleTimeMs);
  return sim ? g_usb.add(std::move(sim)) : 0;
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_path(JNIEnv* env, jclass,
                                                                          jlong id) {
  return pathOf(env, g_usb, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_stop(JNIEnv*, jclass, jlong id) {
  stop(g_usb, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_hangUp(JNIEnv*, jclass,
                                                                         jlong id) {
  hangUp(g_usb, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_setColor(JNIEnv*, jclass,
                                                                           jlong id, jfloat x,
                                                                           jfloat y, jfloat z) {
  if (auto sim = g_usb.find(id)) sim->setColor(x, y, z);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_setStreaming(JNIEnv*, jclass,
                                                                               jlong id,
                                                                               jboolean on) {
  if (auto sim = g_usb.find(id)) sim->setStreaming(on == JNI_TRUE);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_send(JNIEnv* env, jclass,
                                                                           jlong id, jstring text) {
  auto sim = g_usb.find(id);
  if (!sim) return JNI_FALSE;
  auto bytes = textOf(env, text);
  return bytes && sim->send(*bytes) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_colorFormat(JNIEnv* env,
                                                                                 jclass, jlong id) {
  auto sim = g_usb.find(id);
  return sim ? env->NewStringUTF(sim->colorFormat().c_str()) : nullptr;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_sampleTimeMs(JNIEnv*, jclass,
                                                                               jlong id) {
  auto sim = g_usb.find(id);
  return sim ? sim->sampleTimeMs() : -1;
}

JNIEXPORT jobjectArray JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_commands(JNIEnv* env,
                                                                                   jclass,
                                                                                   jlong id) {
  auto sim = g_usb.find(id);
  return stringArrayOf(env, sim ? sim->commands() : std::vector<std::string>{});
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_KromelUsbEmulator_linesSent(JNIEnv*, jclass,
                                                                             jlong id) {
  auto sim = g_usb.find(id);
  return sim ? static_cast<jlong>(sim->linesSent()) : 0;
}

}  // extern "C"
