// JNI exports of com.korvane.frc.jni.TorqaJNI: conversions only.

#include "TorqaJNI.h"

#include <jni.h>

#include "Boundary.h"

using boundary::canHandle;

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1create(JNIEnv*, jclass,
                                                                           jint deviceID,
                                                                           jint frequency) {
  return boundary::toJava(static_cast<int32_t>(TorqaJNI::c_Torqa_create(deviceID, frequency)));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1destroy(JNIEnv*, jclass,
                                                                           jlong handle) {
  TorqaJNI::c_Torqa_destroy(canHandle(handle));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1configureMotor(JNIEnv*, jclass,
                                                                                  jlong handle,
                                                                                  jint motor,
                                                                                  jint frequency) {
  TorqaJNI::c_Torqa_configureMotor(canHandle(handle), static_cast<signed char>(motor), frequency);
}

}  // extern "C"
