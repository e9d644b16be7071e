// JNI exports of com.korvane.frc.jni.MockDSJNI: conversions only.

#include "MockDSJNI.h"

#include <jni.h>

#include "com_korvane_frc_jni_MockDSJNI.h"
#include "common/Guarded.h"
#include "mockds/MockDSInstances.h"

extern "C" {

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1create(JNIEnv*, jclass) {
  korvane::orOnThrow([] { MockDSJNI::c_MockDS_create(); });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1enable(JNIEnv*, jclass) {
  MockDSJNI::c_MockDS_enable();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1disable(JNIEnv*, jclass) {
  MockDSJNI::c_MockDS_disable();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1destroy(JNIEnv*, jclass) {
  MockDSJNI::c_MockDS_destroy();
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1isSending(JNIEnv*,
                                                                                   jclass) {
  return MockDSJNI::c_MockDS_isSending() ? JNI_TRUE : JNI_FALSE;
}

// Through an opening (mockds/MockDSInstances.h): a replaced one acts on nothing.

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1open(JNIEnv*, jclass) {
  return korvane::orOnThrow(jlong{0}, [] { return jlong{korvane::mockds::open()}; });
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1enableOpened(JNIEnv*, jclass,
                                                                                  jlong handle) {
  korvane::mockds::setEnabled(handle, true);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1disableOpened(JNIEnv*, jclass,
                                                                                   jlong handle) {
  korvane::mockds::setEnabled(handle, false);
}

}  // extern "C"
