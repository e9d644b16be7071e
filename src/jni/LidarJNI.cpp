// JNI exports of com.korvane.frc.jni.LidarJNI: conversions only. Nothing thrown inside a driver
// operation (a thread that cannot start, memory) crosses into the JVM.

#include "LidarJNI.h"

#include <jni.h>

#include <limits>
#include <optional>
#include <vector>

#include "Boundary.h"
#include "com_korvane_frc_jni_LidarJNI.h"
#include "lidar/LidarOpenings.h"

extern "C" {

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1create(JNIEnv*, jclass,
                                                                          jint port) {
  // A new opening: it replaces a korvane::Lidar of the same process.
  korvane::jni::orOnThrow([&] { korvane::lidar::open(port); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1destroy(JNIEnv*, jclass) {
  LidarJNI::c_Lidar_destroy();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1start(JNIEnv*, jclass) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_start(); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1stop(JNIEnv*, jclass) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_stop(); });
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1getData(JNIEnv* env, jclass) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    auto data = LidarJNI::c_Lidar_getData();
    const auto middle = data.begin() + LidarJNI::kSlots;
    return korvane::jni::newResultObject(
        env, "com/korvane/frc/Lidar$ScanData",
        {korvane::jni::floatArrayField("angle", std::vector<jfloat>(data.begin(), middle)),
         korvane::jni::floatArrayField("distance", std::vector<jfloat>(middle, data.end()))});
  });
}

// Both arrays filled from one copy of the table, and that copy's age; Long.MIN_VALUE (nothing
// filled) when an array is null or shorter than 360.
JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1readData(JNIEnv* env, jclass,
                                                                             jfloatArray angle,
                                                                             jfloatArray distance) {
  constexpr jsize kSlots = LidarJNI::kSlots;
  if (angle == nullptr || distance == nullptr || env->GetArrayLength(angle) < kSlots ||
      env->GetArrayLength(distance) < kSlots) {
    return std::numeric_limits<jlong>::min();
  }
  jfloat angles[kSlots];
  jfloat distances[kSlots];
  const jlong age = LidarJNI::c_Lidar_readData(angles, distances);
  env->SetFloatArrayRegion(angle, 0, kSlots, angles);
  env->SetFloatArrayRegion(distance, 0, kSlots, distances);
  return age;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1getDataAgeMs(JNIEnv*, jclass) {
  return korvane::jni::orOnThrow(jlong{-1}, [] { return jlong{LidarJNI::c_Lidar_getDataAgeMs()}; });
}

// Any non-zero boolean switches the filter on.
JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1enableFilter(JNIEnv*, jclass,
                                                                                jint filter,
                                                                                jboolean enable) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_enableFilter(filter, enable != 0); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1clusterConfig(
    JNIEnv*, jclass, jfloat distanceThreshold, jint minClusterSize) {
  korvane::jni::orOnThrow(
      [&] { LidarJNI::c_Lidar_clusterConfig(distanceThreshold, minClusterSize); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1kalmanConfig(JNIEnv*, jclass,
                                                                                jfloat q, jfloat r,
                                                                                jfloat p) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_kalmanConfig(q, r, p); });
}

JNIEXPORT void JNICALL
Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1movingAverageConfig(JNIEnv*, jclass, jint window) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_movingAverageConfig(window); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1medianConfig(JNIEnv*, jclass,
                                                                                jint window) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_medianConfig(window); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1jitterConfig(JNIEnv*, jclass,
                                                                                jfloat threshold) {
  korvane::jni::orOnThrow([&] { LidarJNI::c_Lidar_jitterConfig(threshold); });
}

// Health.

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1isConnected(JNIEnv*,
                                                                                   jclass) {
  return LidarJNI::c_Lidar_isConnected() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1getFaults(JNIEnv* env,
                                                                                jclass) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&] {
    return korvane::jni::newFaultsObject(env, LidarJNI::c_Lidar_getFaults());
  });
}

// Through an opening (lidar/LidarOpenings.h): a replaced or closed one acts on nothing.

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1open(JNIEnv*, jclass,
                                                                         jint port) {
  return korvane::jni::orOnThrow(jlong{0}, [&] { return jlong{korvane::lidar::open(port)}; });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1close(JNIEnv*, jclass,
                                                                         jlong handle) {
  korvane::jni::orOnThrow([&] { korvane::lidar::close(handle); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1startOpened(JNIEnv*, jclass,
                                                                               jlong handle) {
  korvane::lidar::start(handle);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1stopOpened(JNIEnv*, jclass,
                                                                              jlong handle) {
  korvane::lidar::stop(handle);
}

// As c_Lidar_readData; Long.MIN_VALUE (nothing filled) also for an opening that is not the newest.
JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1readDataOpened(
    JNIEnv* env, jclass, jlong handle, jfloatArray angle, jfloatArray distance) {
  constexpr jsize kSlots = LidarJNI::kSlots;
  constexpr jlong kNothing = std::numeric_limits<jlong>::min();
  if (angle == nullptr || distance == nullptr || env->GetArrayLength(angle) < kSlots ||
      env->GetArrayLength(distance) < kSlots) {
    return kNothing;
  }
  jfloat angles[kSlots];
  jfloat distances[kSlots];
  const std::optional<int64_t> age = korvane::lidar::readData(handle, angles, distances);
  if (!age) return kNothing;
  env->SetFloatArrayRegion(angle, 0, kSlots, angles);
  env->SetFloatArrayRegion(distance, 0, kSlots, distances);
  return *age;
}

JNIEXPORT jboolean JNICALL
Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1isConnectedOpened(JNIEnv*, jclass, jlong handle) {
  return korvane::lidar::isConnected(handle) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL
Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1getDataAgeMsOpened(JNIEnv*, jclass, jlong handle) {
  return korvane::lidar::dataAgeMs(handle);
}

JNIEXPORT jobject JNICALL
Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1getFaultsOpened(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    const std::optional<DeviceFaults> faults = korvane::lidar::faults(handle);
    return faults ? korvane::jni::newFaultsObject(env, *faults) : nullptr;
  });
}

// Any non-zero boolean switches the filter on.
JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1enableFilterOpened(
    JNIEnv*, jclass, jlong handle, jint filter, jboolean enable) {
  korvane::lidar::enableFilter(handle, filter, enable != 0);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1clusterConfigOpened(
    JNIEnv*, jclass, jlong handle, jfloat distanceThreshold, jint minClusterSize) {
  korvane::lidar::clusterConfig(handle, distanceThreshold, minClusterSize);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1kalmanConfigOpened(
    JNIEnv*, jclass, jlong handle, jfloat q, jfloat r, jfloat p) {
  korvane::lidar::kalmanConfig(handle, q, r, p);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1movingAverageConfigOpened(
    JNIEnv*, jclass, jlong handle, jint window) {
  korvane::lidar::movingAverageConfig(handle, window);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1medianConfigOpened(JNIEnv*,
                                                                                      jclass,
                                                                                      jlong handle,
                                                                                      jint window) {
  korvane::lidar::medianConfig(handle, window);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1jitterConfigOpened(
    JNIEnv*, jclass, jlong handle, jfloat threshold) {
  korvane::lidar::jitterConfig(handle, threshold);
}

}  // extern "C"
