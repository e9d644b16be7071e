// JNI exports of com.korvane.frc.jni.LinvoJNI: conversions only.

#include "LinvoJNI.h"

#include <jni.h>

#include <cstdint>

#include "com_korvane_frc_jni_LinvoJNI.h"

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1initializeI2C(JNIEnv*, jclass,
                                                                              jfloat vRef) {
  return LinvoJNI::c_initializeI2C(vRef) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1closeI2C(JNIEnv*, jclass) {
  LinvoJNI::c_closeI2C();
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getRawValue(JNIEnv*, jclass,
                                                                        jint channel) {
  return LinvoJNI::c_getRawValue(static_cast<uint8_t>(channel));
}

JNIEXPORT jfloat JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getVoltage(JNIEnv*, jclass,
                                                                         jint channel) {
  return LinvoJNI::c_getVoltage(static_cast<uint8_t>(channel));
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getLatestRawValue(JNIEnv*, jclass,
                                                                              jint channel) {
  return LinvoJNI::c_getLatestRawValue(static_cast<uint8_t>(channel));
}

JNIEXPORT jfloat JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getLatestVoltage(JNIEnv*, jclass,
                                                                               jint channel) {
  return LinvoJNI::c_getLatestVoltage(static_cast<uint8_t>(channel));
}

}  // extern "C"
