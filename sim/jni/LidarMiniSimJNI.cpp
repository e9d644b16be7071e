// Java bindings of the simulated T-mini Plus: com.korvane.frc.sim.LidarMiniEmulator.

#include <jni.h>

#include <memory>
#include <string>

#include "JavaValues.h"
#include "PtySimBindings.h"
#include "SimRegistry.h"
#include "com_korvane_frc_sim_LidarMiniEmulator.h"
#include "sim/lidarmini/LidarMiniSim.h"

using korvane::sim::LidarMiniSim;

namespace {

SimRegistry<LidarMiniSim> g_lidars;

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_start0(JNIEnv*, jclass) {
  std::shared_ptr<LidarMiniSim> sim = LidarMiniSim::start();
  return sim ? g_lidars.add(std::move(sim)) : 0;
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_path(JNIEnv* env, jclass,
                                                                          jlong id) {
  return pathOf(env, g_lidars, id);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_plugIn(JNIEnv*, jclass,
                                                                             jlong id) {
  auto sim = g_lidars.find(id);
  return sim && sim->plugIn() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_stop(JNIEnv*, jclass, jlong id) {
  stop(g_lidars, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_hangUp(JNIEnv*, jclass,
                                                                         jlong id) {
  hangUp(g_lidars, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_setInfo(
    JNIEnv* env, jclass, jlong id, jint model, jint firmware, jint hardware, jbyteArray serial) {
  auto sim = g_lidars.find(id);
  if (!sim) return;
  sim->setInfo(static_cast<uint8_t>(model), static_cast<uint16_t>(firmware),
               static_cast<uint8_t>(hardware), bytesOf(env, serial));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_setHealth(JNIEnv*, jclass,
                                                                            jlong id, jint status,
                                                                            jint errorCode) {
  if (auto sim = g_lidars.find(id)) {
    sim->setHealth(static_cast<uint8_t>(status), static_cast<uint16_t>(errorCode));
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_setSilent(JNIEnv*, jclass,
                                                                            jlong id,
                                                                            jboolean silent) {
  if (auto sim = g_lidars.find(id)) sim->setSilent(silent == JNI_TRUE);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_setGarbage(JNIEnv*, jclass,
                                                                             jlong id,
                                                                             jboolean garbage) {
  if (auto sim = g_lidars.find(id)) sim->setGarbage(garbage == JNI_TRUE);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_isScanning(JNIEnv*, jclass,
                                                                                 jlong id) {
  auto sim = g_lidars.find(id);
  return sim && sim->scanning() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_frequencyTenthsHz(JNIEnv*, jclass,
                                                                                    jlong id) {
  auto sim = g_lidars.find(id);
  return sim ? sim->frequencyTenthsHz() : -1;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_pointsPerRevolution(JNIEnv*,
                                                                                      jclass,
                                                                                      jlong id) {
  auto sim = g_lidars.find(id);
  return sim ? sim->pointsPerRevolution() : -1;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_LidarMiniEmulator_revolutionsSent(JNIEnv*, jclass,
                                                                                   jlong id) {
  auto sim = g_lidars.find(id);
  return sim ? static_cast<jlong>(sim->revolutionsSent()) : 0;
}

}  // extern "C"
