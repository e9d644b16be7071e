// Java bindings of the simulated CAN bus and system state: com.korvane.frc.sim.SimCan and
// com.korvane.frc.sim.SimSystem.

#include <jni.h>

#include <vector>

#include "com_korvane_frc_sim_SimCan.h"
#include "com_korvane_frc_sim_SimSystem.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/System.h"

using namespace korvane::sim;

extern "C" {

// Five longs per frame, oldest first: identifier, data size, the 8 data bytes little-endian,
// timestamp in microseconds, bus.
JNIEXPORT jlongArray JNICALL Java_com_korvane_frc_sim_SimCan_sentFramesRaw(JNIEnv* env, jclass) {
  std::vector<CanFrame> frames = sentFrames();
  std::vector<jlong> raw;
  raw.reserve(frames.size() * 5);
  for (const CanFrame& f : frames) {
    uint64_t data = 0;
    for (int i = 7; i >= 0; --i) data = (data << 8) | f.data[i];
    raw.push_back(f.id);
    raw.push_back(f.size);
    raw.push_back(static_cast<jlong>(data));
    raw.push_back(f.timestampUs);
    raw.push_back(f.bus);
  }
  jlongArray array = env->NewLongArray(static_cast<jsize>(raw.size()));
  if (array != nullptr)
    env->SetLongArrayRegion(array, 0, static_cast<jsize>(raw.size()), raw.data());
  return array;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimCan_clearSentFrames0(JNIEnv*, jclass) {
  clearSentFrames();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimCan_injectFrame0(JNIEnv* env, jclass, jint bus,
                                                                    jint id, jbyteArray data) {
  uint8_t bytes[8] = {};
  jsize size = data == nullptr ? 0 : env->GetArrayLength(data);
  if (size > 8) size = 8;
  if (size > 0) env->GetByteArrayRegion(data, 0, size, reinterpret_cast<jbyte*>(bytes));
  injectFrame(bus, static_cast<uint32_t>(id), bytes, static_cast<uint8_t>(size));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimCan_failCalls(JNIEnv*, jclass, jint call,
                                                                 jint status, jint count,
                                                                 jboolean throwInstead) {
  if (call < 0 || call >= kCanCallCount) return;
  failCanCalls(static_cast<CanCall>(call), status, count, throwInstead == JNI_TRUE);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimCan_clearFailures0(JNIEnv*, jclass) {
  clearCanFailures();
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_SimCan_openHandles0(JNIEnv*, jclass) {
  return openCanHandles();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimCan_reset0(JNIEnv*, jclass) {
  resetCan();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimSystem_setSystemActive0(JNIEnv*, jclass,
                                                                           jboolean active) {
  setSystemActive(active == JNI_TRUE);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_SimSystem_systemActive0(JNIEnv*, jclass) {
  return systemActive() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimSystem_setRealRobot0(JNIEnv*, jclass,
                                                                        jboolean real) {
  setRealRobot(real == JNI_TRUE);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_SimSystem_realRobot0(JNIEnv*, jclass) {
  return realRobot() ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
