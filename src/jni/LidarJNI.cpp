// JNI exports of com.korvane.frc.jni.LidarJNI: conversions only. Nothing thrown inside a driver
// operation (a thread that cannot start, memory) crosses into the JVM.

#include "LidarJNI.h"

#include <jni.h>

#include <vector>

#include "Boundary.h"
#include "com_korvane_frc_jni_LidarJNI.h"

extern "C" {

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1create(JNIEnv*, jclass,
                                                                          jint port) {
  try {
    LidarJNI::c_Lidar_create(port);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1destroy(JNIEnv*, jclass) {
  LidarJNI::c_Lidar_destroy();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1start(JNIEnv*, jclass) {
  try {
    LidarJNI::c_Lidar_start();
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1stop(JNIEnv*, jclass) {
  try {
    LidarJNI::c_Lidar_stop();
  } catch (...) {
  }
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1getData(JNIEnv* env, jclass) {
  try {
    auto data = LidarJNI::c_Lidar_getData();
    const auto middle = data.begin() + LidarJNI::kSlots;
    return boundary::newResultObject(
        env, "com/korvane/frc/Lidar$ScanData",
        {boundary::floatArrayField("angle", std::vector<jfloat>(data.begin(), middle)),
         boundary::floatArrayField("distance", std::vector<jfloat>(middle, data.end()))});
  } catch (...) {
    return nullptr;
  }
}

// Any non-zero boolean switches the filter on.
JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1enableFilter(JNIEnv*, jclass,
                                                                                jint filter,
                                                                                jboolean enable) {
  try {
    LidarJNI::c_Lidar_enableFilter(filter, enable != 0);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1clusterConfig(
    JNIEnv*, jclass, jfloat distanceThreshold, jint minClusterSize) {
  try {
    LidarJNI::c_Lidar_clusterConfig(distanceThreshold, minClusterSize);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1kalmanConfig(JNIEnv*, jclass,
                                                                                jfloat q, jfloat r,
                                                                                jfloat p) {
  try {
    LidarJNI::c_Lidar_kalmanConfig(q, r, p);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL
Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1movingAverageConfig(JNIEnv*, jclass, jint window) {
  try {
    LidarJNI::c_Lidar_movingAverageConfig(window);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1medianConfig(JNIEnv*, jclass,
                                                                                jint window) {
  try {
    LidarJNI::c_Lidar_medianConfig(window);
  } catch (...) {
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_LidarJNI_c_1Lidar_1jitterConfig(JNIEnv*, jclass,
                                                                                jfloat threshold) {
  try {
    LidarJNI::c_Lidar_jitterConfig(threshold);
  } catch (...) {
  }
}

}  // extern "C"
