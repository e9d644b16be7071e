// JNI exports of com.korvane.frc.jni.LinvoJNI: conversions only.

#include "LinvoJNI.h"

#include <jni.h>

#include <cstdint>
#include <optional>

#include "Boundary.h"
#include "com_korvane_frc_jni_LinvoJNI.h"
#include "linvo/LinvoSensors.h"

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1initializeI2C(JNIEnv*, jclass,
                                                                              jfloat vRef) {
  return korvane::jni::orOnThrow(jboolean{JNI_FALSE}, [&] {
    return LinvoJNI::c_initializeI2C(vRef) ? jboolean{JNI_TRUE} : jboolean{JNI_FALSE};
  });
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

// Through an opening (linvo/LinvoSensors.h): a replaced or closed one acts on nothing.

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1openI2C(JNIEnv*, jclass, jfloat vRef) {
  return korvane::jni::orOnThrow(jlong{0},
                                 [&] { return jlong{korvane::linvo::openSampling(vRef)}; });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1closeI2COpened(JNIEnv*, jclass,
                                                                           jlong handle) {
  korvane::jni::orOnThrow([&] { korvane::linvo::close(handle); });
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getLatestRawValueOpened(JNIEnv*, jclass,
                                                                                    jlong handle,
                                                                                    jint channel) {
  return korvane::jni::orOnThrow(
      jint{0}, [&] { return jint{korvane::linvo::latestRawValue(handle, channel)}; });
}

JNIEXPORT jfloat JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getLatestVoltageOpened(JNIEnv*,
                                                                                     jclass,
                                                                                     jlong handle,
                                                                                     jint channel) {
  return korvane::jni::orOnThrow(
      jfloat{0}, [&] { return jfloat{korvane::linvo::latestVoltage(handle, channel)}; });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1isAnsweringOpened(JNIEnv*, jclass,
                                                                                  jlong handle) {
  return korvane::jni::orOnThrow(false, [&] { return korvane::linvo::isAnswering(handle); })
             ? JNI_TRUE
             : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getDataAgeMsOpened(JNIEnv*, jclass,
                                                                                jlong handle) {
  return korvane::jni::orOnThrow(jlong{-1},
                                 [&] { return jlong{korvane::linvo::dataAgeMs(handle)}; });
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_LinvoJNI_c_1getFaultsOpened(JNIEnv* env, jclass,
                                                                               jlong handle) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    const std::optional<DeviceFaults> faults = korvane::linvo::faults(handle);
    return faults ? korvane::jni::newFaultsObject(env, *faults) : nullptr;
  });
}

}  // extern "C"
