#pragma once

// Conversions shared by every export file: handles, booleans, string arguments, result objects,
// out-arrays and array results. No driver logic lives here.

#include <jni.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "DeviceFaults.h"
#include "common/Guarded.h"

namespace korvane::jni {

// A platform handle (the HAL's CAN handle) travels as its 32-bit value sign-extended.
inline int32_t canHandle(jlong handle) {
  return static_cast<int32_t>(static_cast<uint32_t>(handle));
}
inline jlong toJava(int32_t canHandle) {
  return static_cast<jlong>(canHandle);
}

// An object handle as the address it carries, at full pointer width (on a 32-bit controller its
// low 32 bits): for the driver to look up, never dereferenced here.
template <class T>
T* objectAt(jlong handle) {
  return reinterpret_cast<T*>(static_cast<intptr_t>(handle));
}

// Only JNI_TRUE is true.
inline bool toBool(jboolean value) {
  return value == JNI_TRUE;
}

// Runs the part of an export that allocates (text, result objects, the driver's command lines):
// anything thrown there becomes the export's failure value (or ends a call that returns nothing),
// so that no C++ exception ever reaches the virtual machine.
using korvane::orOnThrow;

// A Java string argument as UTF-8, released when this goes out of scope. get() is null for a
// null jstring or when the VM could not provide the characters; the out-of-memory error the VM
// then raised is cleared, so that the export reports the failure by its return value alone.
class Utf8Argument {
 public:
  Utf8Argument(JNIEnv* env, jstring text);
  ~Utf8Argument();
  Utf8Argument(const Utf8Argument&) = delete;
  Utf8Argument& operator=(const Utf8Argument&) = delete;
  const char* get() const { return chars_; }

 private:
  JNIEnv* env_;
  jstring text_;
  const char* chars_ = nullptr;
};

// One field of a result object: its name and JNI signature, and how to set it once every field
// of the class has been found.
struct ResultField {
  const char* name;
  const char* signature;
  std::function<bool(JNIEnv*, jobject, jfieldID)> set;  // false when the value could not be made
};
ResultField intField(const char* name, jint value);
ResultField longField(const char* name, jlong value);
ResultField floatField(const char* name, jfloat value);
ResultField doubleField(const char* name, jdouble value);
ResultField booleanField(const char* name, bool value);
ResultField byteArrayField(const char* name, std::vector<jbyte> values);
ResultField intArrayField(const char* name, std::vector<jint> values);
ResultField floatArrayField(const char* name, std::vector<jfloat> values);
ResultField doubleArrayField(const char* name, std::vector<jdouble> values);

// Makes an object of the class through its no-argument constructor, finds every field, then sets
// them. Null when the class, the constructor, the object, any field or an array value is missing.
jobject newResultObject(JNIEnv* env, const char* classPath,
                        std::initializer_list<ResultField> fields);

// A "com/korvane/frc/DeviceFaults" object holding the record; null as newResultObject.
jobject newFaultsObject(JNIEnv* env, const DeviceFaults& faults);

// Writes element 0 of an out-array. False (and nothing written) for a null or empty array.
bool writeFirst(JNIEnv* env, jdoubleArray out, jdouble value);
bool writeFirst(JNIEnv* env, jlongArray out, jlong value);

// Java float arrays' elements in place (GetPrimitiveArrayCritical), taken in order and released
// in reverse when this goes out of scope: for a copy into them that makes no JNI call and takes
// no lock while they are held. When the VM cannot provide one (its out-of-memory error is then
// pending, and no further array may be asked for), the arrays after it are not asked for and
// held() is false.
template <std::size_t N>
class CriticalFloatArrays {
 public:
  CriticalFloatArrays(JNIEnv* env, const std::array<jfloatArray, N>& arrays)
      : env_(env), arrays_(arrays) {
    for (jfloatArray array : arrays_) {
      auto* elements = static_cast<jfloat*>(env_->GetPrimitiveArrayCritical(array, nullptr));
      if (elements == nullptr) break;
      elements_[taken_++] = elements;
    }
  }
  ~CriticalFloatArrays() {
    while (taken_ > 0) {
      --taken_;
      env_->ReleasePrimitiveArrayCritical(arrays_[taken_], elements_[taken_], 0);
    }
  }
  CriticalFloatArrays(const CriticalFloatArrays&) = delete;
  CriticalFloatArrays& operator=(const CriticalFloatArrays&) = delete;
  bool held() const { return taken_ == N; }
  // The i-th array's elements; only while held().
  jfloat* operator[](std::size_t i) const { return elements_[i]; }

 private:
  JNIEnv* env_;
  std::array<jfloatArray, N> arrays_;
  std::array<jfloat*, N> elements_{};
  std::size_t taken_ = 0;
};

// A new Java array holding the values; null when the VM cannot make one.
jbyteArray newArray(JNIEnv* env, const jbyte* values, jsize count);
jintArray newArray(JNIEnv* env, const jint* values, jsize count);
jfloatArray newArray(JNIEnv* env, const jfloat* values, jsize count);
jdoubleArray newArray(JNIEnv* env, const jdouble* values, jsize count);

}  // namespace korvane::jni
