// JNI exports of com.korvane.frc.jni.LinvoJNI: conversions only.

#include "LinvoJNI.h"

#include <jni.h>

#include <cstdint>

#include "Boundary.h"
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

// Health.

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1isAnswering(JNIEnv*, jclass) {
  return LinvoJNI::c_isAnswering() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getDataAgeMs(JNIEnv*, jclass) {
  return static_cast<jlong>(LinvoJNI::c_getDataAgeMs());
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getFaults(JNIEnv* env, jclass) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&] {
    return korvane::jni::newFaultsObject(env, LinvoJNI::c_getFaults());
  });
}

}  // extern "C"
