// Java bindings of the simulated LiDAR: com.korvane.frc.sim.LidarRoomEmulator.

#include <jni.h>

#include <memory>
#include <string>

#include "JavaValues.h"
#include "PtySimBindings.h"
#include "SimRegistry.h"
#include "com_korvane_frc_sim_LidarRoomEmulator.h"
#include "sim/lidar/LidarRoomSim.h"

using korvane::sim::LidarRoomSim;

namespace {

SimRegistry<LidarRoomSim> g_lidars;

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_start0(JNIEnv*, jclass,
                                                                          jint seed,
                                                                          jboolean streaming) {
  std::shared_ptr<LidarRoomSim> sim =
      LidarRoomSim::start(static_cast<unsigned>(seed), streaming == JNI_TRUE);
  return sim ? g_lidars.add(std::move(sim)) : 0;
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_path(JNIEnv* env, jclass,
                                                                          jlong id) {
  return pathOf(env, g_lidars, id);
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_distanceAt0(JNIEnv*, jclass,
                                                                                 jdouble degrees) {
  return LidarRoomSim::distanceAt(LidarRoomSim::Room{}, degrees);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_setNoise(JNIEnv*, jclass,
                                                                           jlong id,
                                                                           jdouble sigmaMm) {
  if (auto sim = g_lidars.find(id)) sim->setNoise(sigmaMm);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_setDropoutRate(JNIEnv*, jclass,
                                                                                 jlong id,
                                                                                 jdouble fraction) {
  if (auto sim = g_lidars.find(id)) sim->setDropoutRate(fraction);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_setStreaming(JNIEnv*, jclass,
                                                                               jlong id,
                                                                               jboolean on) {
  if (auto sim = g_lidars.find(id)) sim->setStreaming(on == JNI_TRUE);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_send(JNIEnv* env, jclass,
                                                                           jlong id,
                                                                           jbyteArray bytes) {
  auto sim = g_lidars.find(id);
  if (!sim || bytes == nullptr) return JNI_FALSE;
  return sim->send(bytesOf(env, bytes)) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_revolutions(JNIEnv*, jclass,
                                                                               jlong id) {
  auto sim = g_lidars.find(id);
  return sim ? static_cast<jlong>(sim->revolutions()) : 0;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_hangUp(JNIEnv*, jclass,
                                                                         jlong id) {
  hangUp(g_lidars, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LidarRoomEmulator_stop(JNIEnv*, jclass, jlong id) {
  stop(g_lidars, id);
}

}  // extern "C"
