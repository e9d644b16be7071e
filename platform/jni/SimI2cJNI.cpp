// Java bindings of the simulated I2C buses: com.korvane.frc.sim.SimI2C.

#include <jni.h>

#include <vector>

#include "com_korvane_frc_sim_SimI2C.h"
#include "korvane/sim/I2c.h"

using namespace korvane::sim;

extern "C" {

// Per transaction, oldest first: call, port, address, requested, result, byte count, then the
// bytes.
JNIEXPORT jintArray JNICALL Java_com_korvane_frc_sim_SimI2C_transactionsRaw(JNIEnv* env, jclass) {
  std::vector<jint> raw;
  for (const I2cTransaction& t : i2cTransactions()) {
    raw.insert(raw.end(), {static_cast<jint>(t.call), t.port, t.address, t.requested, t.result,
                           static_cast<jint>(t.bytes.size())});
    raw.insert(raw.end(), t.bytes.begin(), t.bytes.end());
  }
  jintArray array = env->NewIntArray(static_cast<jsize>(raw.size()));
  if (array != nullptr)
    env->SetIntArrayRegion(array, 0, static_cast<jsize>(raw.size()), raw.data());
  return array;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimI2C_clearTransactions0(JNIEnv*, jclass) {
  clearI2cTransactions();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimI2C_failCalls0(JNIEnv*, jclass, jint call,
                                                                  jint count, jint status) {
  if (call < 0 || call >= kI2cCallCount) return;
  failI2cCalls(static_cast<I2cCall>(call), count, status);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimI2C_clearFailures0(JNIEnv*, jclass) {
  clearI2cFailures();
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_SimI2C_portOpen0(JNIEnv*, jclass, jint port) {
  return i2cPortOpen(port) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimI2C_reset0(JNIEnv*, jclass) {
  resetI2c();
}

}  // extern "C"
