// Empty natives of com.korvane.frc.sim.NativeBaseline, shaped like the motor controller's
// setMotorSpeed and getRPM: the cost of a Java-to-native call that does nothing, measured beside
// the real calls.

#include <jni.h>

extern "C" {

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_NativeBaseline_emptyVoid(JNIEnv*, jclass, jlong,
                                                                         jint, jdouble) {}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_sim_NativeBaseline_emptyDouble(JNIEnv*, jclass,
                                                                              jlong, jint) {
  return 0.0;
}

}  // extern "C"
