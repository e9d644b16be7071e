// JNI exports of com.korvane.frc.jni.DystanJNI: conversions only.

#include "DystanJNI.h"

#include <jni.h>

#include <algorithm>
#include <vector>

#include "Boundary.h"
#include "KorvaneSerial.h"
#include "com_korvane_frc_jni_DystanJNI.h"
#include "common/HandleTable.h"
#include "dystan/DystanSensor.h"

namespace {

// The distances go out as ints, each widened with its sign.
jobject newScanData(JNIEnv* env, const DystanJNI::ScanData& scan) {
  std::vector<jint> distances(scan.distance.begin(), scan.distance.begin() + scan.count);
  return korvane::jni::newResultObject(
      env, "com/korvane/frc/Dystan$ScanData",
      {korvane::jni::intField("sequence", scan.sequence),
       korvane::jni::intArrayField("distance", std::move(distances))});
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1create(JNIEnv*, jclass,
                                                                             jint canId) {
  return korvane::jni::orOnThrow(jlong{0}, [&]() -> jlong {
    return korvane::addressHandle(DystanJNI::c_Dystan_create(canId));
  });
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1createOnBus(JNIEnv*, jclass,
                                                                                  jint bus,
                                                                                  jint canId) {
  return korvane::jni::orOnThrow(jlong{0}, [&]() -> jlong {
    return korvane::addressHandle(DystanJNI::c_Dystan_createOnBus(bus, canId));
  });
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1createUsb(JNIEnv* env, jclass,
                                                                                jstring path,
                                                                                jint odr) {
  if (path == nullptr) return 0;
  korvane::jni::Utf8Argument chars(env, path);
  if (chars.get() == nullptr) return 0;
  return korvane::jni::orOnThrow(jlong{0}, [&]() -> jlong {
    return korvane::addressHandle(DystanJNI::c_Dystan_createUsb(chars.get(), odr));
  });
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1findDevicePath(JNIEnv* env,
                                                                                       jclass,
                                                                                       jint index) {
  return korvane::jni::orOnThrow(jstring{nullptr}, [&]() -> jstring {
    return env->NewStringUTF(KorvaneSerial::FindDevicePath(index).c_str());
  });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1destroy(JNIEnv*, jclass,
                                                                             jlong handle) {
  DystanJNI::c_Dystan_destroy(korvane::jni::objectAt<DystanJNI>(handle));
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getCanID(JNIEnv*, jclass,
                                                                              jlong handle) {
  auto sensor = korvane::dystan::Sensor::find(handle);
  if (!sensor) return -1;
  return sensor->c_Dystan_getCanID();
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getTransport(JNIEnv*, jclass,
                                                                                  jlong handle) {
  auto sensor = korvane::dystan::Sensor::find(handle);
  if (!sensor) return -1;
  return sensor->c_Dystan_getTransport();
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getData(JNIEnv* env, jclass,
                                                                                jlong handle,
                                                                                jint count) {
  auto sensor = korvane::dystan::Sensor::find(handle);
  if (!sensor) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    return newScanData(env, sensor->c_Dystan_getData(count));
  });
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getLatestData(JNIEnv* env,
                                                                                      jclass,
                                                                                      jlong handle,
                                                                                      jint count) {
  auto sensor = korvane::dystan::Sensor::find(handle);
  if (!sensor) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    return newScanData(env, sensor->c_Dystan_getLatestData(count));
  });
}

// The distances of c_Dystan_getLatestData into the caller's array, each widened with its sign,
// and the scan's age into element 0 of ageMs; the scan's sequence number times 65536 plus the
// number of distances written, or -1 (nothing written) for a handle that is not live, a distance
// array null or shorter than min(count, 64), or an ageMs array null or empty.
JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1readLatestData(
    JNIEnv* env, jclass, jlong handle, jint count, jintArray distance, jlongArray ageMs) {
  const jsize wanted = std::clamp<jint>(count, 0, DystanJNI::kMaxDistances);
  if (distance == nullptr || env->GetArrayLength(distance) < wanted || ageMs == nullptr ||
      env->GetArrayLength(ageMs) < 1) {
    return -1;
  }
  auto sensor = korvane::dystan::Sensor::find(handle);
  if (!sensor) return -1;
  const DystanJNI::ScanData scan = korvane::jni::orOnThrow(
      DystanJNI::ScanData{}, [&] { return sensor->c_Dystan_getLatestData(count); });
  jint distances[DystanJNI::kMaxDistances];
  std::copy_n(scan.distance.begin(), scan.count, distances);
  env->SetIntArrayRegion(distance, 0, scan.count, distances);
  const jlong age = scan.ageMs;
  env->SetLongArrayRegion(ageMs, 0, 1, &age);
  return static_cast<jint>(scan.sequence) << 16 | scan.count;
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getConfig(JNIEnv* env,
                                                                                  jclass,
                                                                                  jlong handle,
                                                                                  jint timeoutMs) {
  auto sensor = korvane::dystan::Sensor::find(handle);
  if (!sensor) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    DystanJNI::Config config = sensor->c_Dystan_getConfig(timeoutMs);
    if (!config.valid) return nullptr;
    return korvane::jni::newResultObject(
        env, "com/korvane/frc/Dystan$Config",
        {korvane::jni::intField("version", config.version),
         korvane::jni::booleanField("distanceEnabled", config.distanceEnabled != 0),
         korvane::jni::booleanField("canFdEnabled", config.canFdEnabled != 0),
         korvane::jni::booleanField("canBrsEnabled", config.canBrsEnabled != 0),
         korvane::jni::intField("canID", config.canID)});
  });
}

// Health.

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1isConnected(JNIEnv*,
                                                                                     jclass,
                                                                                     jlong handle) {
  auto device = korvane::dystan::Sensor::find(handle);
  return device != nullptr && device->c_Dystan_isConnected() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getDataAgeMs(JNIEnv*, jclass,
                                                                                   jlong handle) {
  auto device = korvane::dystan::Sensor::find(handle);
  return device == nullptr ? -1 : static_cast<jlong>(device->c_Dystan_getDataAgeMs());
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_DystanJNI_c_1Dystan_1getFaults(JNIEnv* env,
                                                                                  jclass,
                                                                                  jlong handle) {
  auto device = korvane::dystan::Sensor::find(handle);
  if (device == nullptr) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&] {
    return korvane::jni::newFaultsObject(env, device->c_Dystan_getFaults());
  });
}

}  // extern "C"
