#pragma once

// Conversions shared by every export file: handles, booleans, string arguments, result objects,
// out-arrays and array results. No driver logic lives here.

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "DeviceFaults.h"

namespace korvane::jni {

// A platform handle (the HAL's CAN handle) travels as its 32-bit value sign-extended.
inline int32_t canHandle(jlong handle) {
  return static_cast<int32_t>(static_cast<uint32_t>(handle));
}
inline jlong toJava(int32_t canHandle) {
  return static_cast<jlong>(canHandle);
}

// Only JNI_TRUE is true.
inline bool toBool(jboolean value) {
  return value == JNI_TRUE;
}

// Runs the part of an export that allocates (text, result objects, the driver's command lines).
// Only an allocation failure is expected to throw there; it becomes the export's failure value,
// so that no C++ exception ever reaches the virtual machine.
template <typename Result, typename Body>
Result orOnThrow(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// The same for an export that returns nothing: a throw ends the call.
template <typename Body>
void orOnThrow(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// A Java string argument as UTF-8, released when this goes out of scope. get() is null for a
// null jstring or when the VM could not provide the characters.
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

// A Java float array's elements in place (GetPrimitiveArrayCritical), released when this goes
// out of scope: for a copy into it that makes no JNI call and takes no lock while it is held.
// get() is null when the VM could not provide them.
class CriticalFloats {
 public:
  CriticalFloats(JNIEnv* env, jfloatArray array);
  ~CriticalFloats();
  CriticalFloats(const CriticalFloats&) = delete;
  CriticalFloats& operator=(const CriticalFloats&) = delete;
  jfloat* get() const { return elements_; }

 private:
  JNIEnv* env_;
  jfloatArray array_;
  jfloat* elements_;
};

// A new Java array holding the values; null when the VM cannot make one.
jbyteArray newArray(JNIEnv* env, const jbyte* values, jsize count);
jintArray newArray(JNIEnv* env, const jint* values, jsize count);
jfloatArray newArray(JNIEnv* env, const jfloat* values, jsize count);
jdoubleArray newArray(JNIEnv* env, const jdouble* values, jsize count);

}  // namespace korvane::jni
