// JNI exports of com.korvane.frc.jni.KromelJNI: conversions only.

#include "KromelJNI.h"

#include <jni.h>

#include <exception>

#include "Boundary.h"
#include "KorvaneSerial.h"
#include "com_korvane_frc_jni_KromelJNI.h"
#include "common/HandleTable.h"
#include "kromel/KromelSensor.h"

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1create(JNIEnv*, jclass,
                                                                             jint canId) {
  return korvane::jni::orOnThrow(
      jlong{0}, [&] { return korvane::addressHandle(KromelJNI::c_Kromel_create(canId)); });
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1createOnBus(JNIEnv*, jclass,
                                                                                  jint bus,
                                                                                  jint canId) {
  return korvane::jni::orOnThrow(jlong{0}, [&]() -> jlong {
    return korvane::addressHandle(KromelJNI::c_Kromel_createOnBus(bus, canId));
  });
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1createUsb(JNIEnv* env, jclass,
                                                                                jstring path,
                                                                                jint sampleTimeMs) {
  if (path == nullptr) return 0;
  korvane::jni::Utf8Argument chars(env, path);
  if (chars.get() == nullptr) return 0;
  return korvane::jni::orOnThrow(jlong{0}, [&] {
    return korvane::addressHandle(KromelJNI::c_Kromel_createUsb(chars.get(), sampleTimeMs));
  });
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1findDevicePath(JNIEnv* env,
                                                                                       jclass,
                                                                                       jint index) {
  return korvane::jni::orOnThrow(jstring{nullptr}, [&] {
    return env->NewStringUTF(KorvaneSerial::FindDevicePath(index).c_str());
  });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1destroy(JNIEnv*, jclass,
                                                                             jlong handle) {
  KromelJNI::c_Kromel_destroy(korvane::jni::objectAt<KromelJNI>(handle));
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1getCanID(JNIEnv*, jclass,
                                                                              jlong handle) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return sensor == nullptr ? -1 : sensor->c_Kromel_getCanID();
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1getTransport(JNIEnv*, jclass,
                                                                                  jlong handle) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return sensor == nullptr ? -1 : sensor->c_Kromel_getTransport();
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1getColor(JNIEnv* env,
                                                                                 jclass,
                                                                                 jlong handle) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  if (sensor == nullptr) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    KromelJNI::ColorData reading = sensor->c_Kromel_getColor();
    if (!reading.valid) return nullptr;
    return korvane::jni::newResultObject(
        env, "com/korvane/frc/Kromel$ColorData",
        {korvane::jni::intField("sequence", reading.sequence),
         korvane::jni::floatField("x", reading.x), korvane::jni::floatField("y", reading.y),
         korvane::jni::floatField("z", reading.z)});
  });
}

// x, y and z into elements 0..2 of the caller's array and the reading's age into element 0 of
// ageMs; the sequence number, or -1 (nothing written) when there is no reading, the handle is not
// live or an array is null or too short.
JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1readColor(JNIEnv* env, jclass,
                                                                               jlong handle,
                                                                               jfloatArray xyz,
                                                                               jlongArray ageMs) {
  if (xyz == nullptr || env->GetArrayLength(xyz) < 3 || ageMs == nullptr ||
      env->GetArrayLength(ageMs) < 1) {
    return -1;
  }
  auto sensor = korvane::kromel::Sensor::find(handle);
  if (sensor == nullptr) return -1;
  const KromelJNI::ColorData reading =
      korvane::jni::orOnThrow(KromelJNI::ColorData{}, [&] { return sensor->c_Kromel_getColor(); });
  if (!reading.valid) return -1;
  const jfloat channels[3] = {reading.x, reading.y, reading.z};
  env->SetFloatArrayRegion(xyz, 0, 3, channels);
  const jlong age = reading.ageMs;
  env->SetLongArrayRegion(ageMs, 0, 1, &age);
  return reading.sequence;
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setColorFormat(
    JNIEnv*, jclass, jlong handle, jint format) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(
      false, [&] { return sensor != nullptr && sensor->c_Kromel_setColorFormat(format); });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setSampleTimeMs(
    JNIEnv*, jclass, jlong handle, jint ms) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(
      false, [&] { return sensor != nullptr && sensor->c_Kromel_setSampleTimeMs(ms); });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setBrightness(
    JNIEnv*, jclass, jlong handle, jint brightness) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(
      false, [&] { return sensor != nullptr && sensor->c_Kromel_setBrightness(brightness); });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setStatusLed(
    JNIEnv*, jclass, jlong handle, jboolean on, jint level) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(false, [&] {
    return sensor != nullptr && sensor->c_Kromel_setStatusLed(korvane::jni::toBool(on), level);
  });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setMeasureMode(
    JNIEnv*, jclass, jlong handle, jint mode, jfloat value) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(
      false, [&] { return sensor != nullptr && sensor->c_Kromel_setMeasureMode(mode, value); });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setZmm(JNIEnv*, jclass,
                                                                                jlong handle,
                                                                                jfloat zmm) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(false,
                                 [&] { return sensor != nullptr && sensor->c_Kromel_setZmm(zmm); });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setUsbOverride(
    JNIEnv*, jclass, jlong handle, jboolean enable) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(false, [&] {
    return sensor != nullptr && sensor->c_Kromel_setUsbOverride(korvane::jni::toBool(enable));
  });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1setCanId(JNIEnv*, jclass,
                                                                                  jlong handle,
                                                                                  jint canId) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  return korvane::jni::orOnThrow(
      false, [&] { return sensor != nullptr && sensor->c_Kromel_setCanId(canId); });
}

// The 32-bit answer goes into element 0 zero-extended, so bit 31 never makes it negative.
JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1getConfig(
    JNIEnv* env, jclass, jlong handle, jint key, jlongArray out) {
  auto sensor = korvane::kromel::Sensor::find(handle);
  if (sensor == nullptr || out == nullptr || env->GetArrayLength(out) < 1) return JNI_FALSE;
  unsigned int value = 0;
  if (!korvane::jni::orOnThrow(false, [&] { return sensor->c_Kromel_getConfig(key, &value); })) {
    return JNI_FALSE;
  }
  return korvane::jni::writeFirst(env, out, static_cast<jlong>(static_cast<uint32_t>(value)));
}

// Health.

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1isConnected(JNIEnv*,
                                                                                     jclass,
                                                                                     jlong handle) {
  auto device = korvane::kromel::Sensor::find(handle);
  return device != nullptr && device->c_Kromel_isConnected() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1getDataAgeMs(JNIEnv*, jclass,
                                                                                   jlong handle) {
  auto device = korvane::kromel::Sensor::find(handle);
  return device == nullptr ? -1 : static_cast<jlong>(device->c_Kromel_getDataAgeMs());
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_KromelJNI_c_1Kromel_1getFaults(JNIEnv* env,
                                                                                  jclass,
                                                                                  jlong handle) {
  auto device = korvane::kromel::Sensor::find(handle);
  if (device == nullptr) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&] {
    return korvane::jni::newFaultsObject(env, device->c_Kromel_getFaults());
  });
}

}  // extern "C"
