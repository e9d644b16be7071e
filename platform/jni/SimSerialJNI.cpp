// Java bindings of the serial-port stand-in: com.korvane.frc.sim.SimSerial.

#include <jni.h>

#include <string>
#include <vector>

#include "com_korvane_frc_sim_SimSerial.h"
#include "korvane/sim/Serial.h"

using namespace korvane::sim;

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_SimSerial_mapPort0(JNIEnv* env, jclass,
                                                                       jint port, jstring path) {
  if (path == nullptr) return JNI_FALSE;
  const char* chars = env->GetStringUTFChars(path, nullptr);
  if (chars == nullptr) return JNI_FALSE;
  bool mapped = mapSerialPort(port, chars);
  env->ReleaseStringUTFChars(path, chars);
  return mapped ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_sim_SimSerial_portPath0(JNIEnv* env, jclass,
                                                                       jint port) {
  return env->NewStringUTF(serialPortPath(port).c_str());
}

// Per call, oldest first: call, handle, port, result, status.
JNIEXPORT jintArray JNICALL Java_com_korvane_frc_sim_SimSerial_callsRaw(JNIEnv* env, jclass) {
  std::vector<jint> raw;
  for (const SerialCallRecord& c : serialCalls()) {
    raw.insert(raw.end(), {static_cast<jint>(c.call), c.handle, c.port, c.result, c.status});
  }
  jintArray array = env->NewIntArray(static_cast<jsize>(raw.size()));
  if (array != nullptr)
    env->SetIntArrayRegion(array, 0, static_cast<jsize>(raw.size()), raw.data());
  return array;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimSerial_clearCalls0(JNIEnv*, jclass) {
  clearSerialCalls();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimSerial_failCalls0(JNIEnv*, jclass, jint call,
                                                                     jint status, jint count) {
  if (call < 0 || call >= kSerialCallCount) return;
  failSerialCalls(static_cast<SerialCall>(call), status, count);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimSerial_clearFailures0(JNIEnv*, jclass) {
  clearSerialFailures();
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_SimSerial_openHandles0(JNIEnv*, jclass) {
  return openSerialHandles();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimSerial_reset0(JNIEnv*, jclass) {
  resetSerial();
}

}  // extern "C"
