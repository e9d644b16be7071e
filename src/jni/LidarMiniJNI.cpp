// JNI exports of com.korvane.frc.jni.LidarMiniJNI: conversions only. Each export catches what
// the driver or the conversions may throw and returns its failure value.

#include "LidarMiniJNI.h"

#include <jni.h>

#include <algorithm>
#include <vector>

#include "Boundary.h"
#include "com_korvane_frc_jni_LidarMiniJNI.h"
#include "common/HandleTable.h"
#include "lidarmini/LidarMiniDevice.h"

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1create(JNIEnv*, jclass,
                                                                                   jint port) {
  return korvane::jni::orOnThrow(
      jlong{0}, [&] { return korvane::addressHandle(LidarMiniJNI::c_LidarMini_create(port)); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1destroy(JNIEnv*, jclass,
                                                                                   jlong handle) {
  korvane::jni::orOnThrow(
      [&] { LidarMiniJNI::c_LidarMini_destroy(korvane::jni::objectAt<LidarMiniJNI>(handle)); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1start(JNIEnv*, jclass,
                                                                                 jlong handle) {
  korvane::jni::orOnThrow([&] {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return;
    lidar->c_LidarMini_start();
  });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1stop(JNIEnv*, jclass,
                                                                                jlong handle) {
  korvane::jni::orOnThrow([&] {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return;
    lidar->c_LidarMini_stop();
  });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1increaseFrequency(
    JNIEnv*, jclass, jlong handle, jboolean coarse) {
  korvane::jni::orOnThrow([&] {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return;
    lidar->c_LidarMini_increaseFrequency(korvane::jni::toBool(coarse));
  });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1decreaseFrequency(
    JNIEnv*, jclass, jlong handle, jboolean coarse) {
  korvane::jni::orOnThrow([&] {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return;
    lidar->c_LidarMini_decreaseFrequency(korvane::jni::toBool(coarse));
  });
}

JNIEXPORT jobject JNICALL
Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1getInfo(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return nullptr;
    LidarMiniJNI::LidarInfo info = lidar->c_LidarMini_getInfo();
    return korvane::jni::newResultObject(
        env, "com/korvane/frc/LidarMini$LidarInfo",
        {korvane::jni::intField("model", info.model),
         korvane::jni::intField("firmwareVersion", info.firmwareVersion),
         korvane::jni::intField("hardwareVersion", info.hardwareVersion),
         korvane::jni::byteArrayField(
             "serialnum",
             std::vector<jbyte>(std::begin(info.serialNumber), std::end(info.serialNumber)))});
  });
}

JNIEXPORT jobject JNICALL
Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1getHealth(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return nullptr;
    LidarMiniJNI::LidarHealth health = lidar->c_LidarMini_getHealth();
    return korvane::jni::newResultObject(env, "com/korvane/frc/LidarMini$LidarHealth",
                                         {korvane::jni::intField("status", health.status),
                                          korvane::jni::intField("errorCode", health.errorCode)});
  });
}

// The last revolution into the caller's arrays (as many points as the shortest holds), its time
// into element 0 of timestamp and its age into element 0 of ageMs; the revolution's number of
// points, which may exceed the room. -1 (nothing written) for a handle that is not live or an
// array that is null, or an empty timestamp or ageMs.
JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1readData(
    JNIEnv* env, jclass, jlong handle, jfloatArray angle, jfloatArray distance,
    jfloatArray intensity, jlongArray timestamp, jlongArray ageMs) {
  if (angle == nullptr || distance == nullptr || intensity == nullptr || timestamp == nullptr ||
      env->GetArrayLength(timestamp) < 1 || ageMs == nullptr || env->GetArrayLength(ageMs) < 1) {
    return -1;
  }
  auto lidar = korvane::lidarmini::Device::find(handle);
  if (!lidar) return -1;
  const jsize room = std::min(
      {env->GetArrayLength(angle), env->GetArrayLength(distance), env->GetArrayLength(intensity)});
  int64_t timestampNs = 0;
  int64_t age = -1;
  size_t count = 0;
  bool copied = false;
  {
    korvane::jni::CriticalFloatArrays<3> arrays(env, {angle, distance, intensity});
    copied = arrays.held();
    if (copied) {
      count = lidar->c_LidarMini_readData(arrays[0], arrays[1], arrays[2],
                                          static_cast<size_t>(room), &timestampNs, &age);
    }
  }
  if (!copied) {
    if (env->ExceptionCheck()) env->ExceptionClear();  // the VM's out-of-memory error
    return -1;
  }
  const jlong time = timestampNs;
  env->SetLongArrayRegion(timestamp, 0, 1, &time);
  const jlong revolutionAge = age;
  env->SetLongArrayRegion(ageMs, 0, 1, &revolutionAge);
  return static_cast<jint>(count);
}

JNIEXPORT jobject JNICALL
Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1getData(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&]() -> jobject {
    auto lidar = korvane::lidarmini::Device::find(handle);
    if (!lidar) return nullptr;
    LidarMiniJNI::ScanData scan = lidar->c_LidarMini_getData();
    std::vector<jfloat> angle, distance, intensity;
    angle.reserve(scan.points.size());
    distance.reserve(scan.points.size());
    intensity.reserve(scan.points.size());
    for (const LidarMiniJNI::DataPoint& point : scan.points) {
      angle.push_back(point.angle);
      distance.push_back(point.distance);
      intensity.push_back(point.intensity);
    }
    return korvane::jni::newResultObject(
        env, "com/korvane/frc/LidarMini$ScanData",
        {korvane::jni::floatArrayField("angle", std::move(angle)),
         korvane::jni::floatArrayField("distance", std::move(distance)),
         korvane::jni::floatArrayField("intensity", std::move(intensity)),
         korvane::jni::longField("timestamp", scan.timestampNs)});
  });
}

// Health.

JNIEXPORT jboolean JNICALL
Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1isConnected(JNIEnv*, jclass, jlong handle) {
  auto device = korvane::lidarmini::Device::find(handle);
  return device != nullptr && device->c_LidarMini_isConnected() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL
Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1getDataAgeMs(JNIEnv*, jclass, jlong handle) {
  auto device = korvane::lidarmini::Device::find(handle);
  return device == nullptr ? -1 : static_cast<jlong>(device->c_LidarMini_getDataAgeMs());
}

JNIEXPORT jobject JNICALL
Java_com_korvane_frc_jni_LidarMiniJNI_c_1LidarMini_1getFaults(JNIEnv* env, jclass, jlong handle) {
  auto device = korvane::lidarmini::Device::find(handle);
  if (device == nullptr) return nullptr;
  return korvane::jni::orOnThrow(jobject{nullptr}, [&] {
    return korvane::jni::newFaultsObject(env, device->c_LidarMini_getFaults());
  });
}

}  // extern "C"
