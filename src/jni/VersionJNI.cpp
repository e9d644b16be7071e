// JNI export of com.korvane.frc.jni.KorvaneDriverLibrary: the version this library was built as.

#include <jni.h>

#include "com_korvane_frc_jni_KorvaneDriverLibrary.h"

namespace {

// Kept whole in the library's read-only data, so `strings libKorvaneDriver.so` shows the version.
const char kVersionLine[] = "KorvaneDriver version " KORVANE_DRIVER_VERSION;
constexpr size_t kVersionOffset = sizeof("KorvaneDriver version ") - 1;

}  // namespace

extern "C" {

JNIEXPORT jstring JNICALL Java_com_korvane_frc_jni_KorvaneDriverLibrary_c_1version(JNIEnv* env,
                                                                                   jclass) {
  return env->NewStringUTF(kVersionLine + kVersionOffset);
}

}  // extern "C"
