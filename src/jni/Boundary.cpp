#include "Boundary.h"

#include <type_traits>
#include <utility>

namespace korvane::jni {
namespace {

// A lookup that yields null leaves a pending Java error behind (NoClassDefFoundError,
// NoSuchFieldError, OutOfMemoryError). The export reports the failure as null instead, and no
// further JNI call may be made while the error is pending.
template <class T>
T* failed(JNIEnv* env) {
  if (env->ExceptionCheck()) env->ExceptionClear();
  return nullptr;
}

template <class Array, class Value, class New, class Set>
Array makeArray(JNIEnv* env, const Value* values, jsize count, New newArray, Set setRegion) {
  Array array = (env->*newArray)(count);
  if (array == nullptr) return failed<std::remove_pointer_t<Array>>(env);
  if (count > 0) (env->*setRegion)(array, 0, count, values);
  return array;
}

template <class Array, class Value, class Set>
bool writeElementZero(JNIEnv* env, Array out, Value value, Set setRegion) {
  if (out == nullptr || env->GetArrayLength(out) < 1) return false;
  (env->*setRegion)(out, 0, 1, &value);
  return true;
}

}  // namespace

Utf8Argument::Utf8Argument(JNIEnv* env, jstring text) : env_(env), text_(text) {
  if (text_ == nullptr) return;
  chars_ = env_->GetStringUTFChars(text_, nullptr);
  if (chars_ == nullptr && env_->ExceptionCheck()) env_->ExceptionClear();  // out of memory
}

Utf8Argument::~Utf8Argument() {
  if (chars_ != nullptr) env_->ReleaseStringUTFChars(text_, chars_);
}

ResultField intField(const char* name, jint value) {
  return {name, "I", [value](JNIEnv* env, jobject o, jfieldID f) {
            env->SetIntField(o, f, value);
            return true;
          }};
}

ResultField longField(const char* name, jlong value) {
  return {name, "J", [value](JNIEnv* env, jobject o, jfieldID f) {
            env->SetLongField(o, f, value);
            return true;
          }};
}

ResultField floatField(const char* name, jfloat value) {
  return {name, "F", [value](JNIEnv* env, jobject o, jfieldID f) {
            env->SetFloatField(o, f, value);
            return true;
          }};
}

ResultField doubleField(const char* name, jdouble value) {
  return {name, "D", [value](JNIEnv* env, jobject o, jfieldID f) {
            env->SetDoubleField(o, f, value);
            return true;
          }};
}

ResultField booleanField(const char* name, bool value) {
  return {name, "Z", [value](JNIEnv* env, jobject o, jfieldID f) {
            env->SetBooleanField(o, f, value ? JNI_TRUE : JNI_FALSE);
            return true;
          }};
}

ResultField byteArrayField(const char* name, std::vector<jbyte> values) {
  return {name, "[B", [values = std::move(values)](JNIEnv* env, jobject o, jfieldID f) {
            jbyteArray array = newArray(env, values.data(), static_cast<jsize>(values.size()));
            if (array == nullptr) return false;
            env->SetObjectField(o, f, array);
            return true;
          }};
}

ResultField intArrayField(const char* name, std::vector<jint> values) {
  return {name, "[I", [values = std::move(values)](JNIEnv* env, jobject o, jfieldID f) {
            jintArray array = newArray(env, values.data(), static_cast<jsize>(values.size()));
            if (array == nullptr) return false;
            env->SetObjectField(o, f, array);
            return true;
          }};
}

ResultField floatArrayField(const char* name, std::vector<jfloat> values) {
  return {name, "[F", [values = std::move(values)](JNIEnv* env, jobject o, jfieldID f) {
            jfloatArray array = newArray(env, values.data(), static_cast<jsize>(values.size()));
            if (array == nullptr) return false;
            env->SetObjectField(o, f, array);
            return true;
          }};
}

ResultField doubleArrayField(const char* name, std::vector<jdouble> values) {
  return {name, "[D", [values = std::move(values)](JNIEnv* env, jobject o, jfieldID f) {
            jdoubleArray array = newArray(env, values.data(), static_cast<jsize>(values.size()));
            if (array == nullptr) return false;
            env->SetObjectField(o, f, array);
            return true;
          }};
}

jobject newResultObject(JNIEnv* env, const char* classPath,
                        std::initializer_list<ResultField> fields) {
  jclass type = env->FindClass(classPath);
  if (type == nullptr) return failed<_jobject>(env);
  jmethodID constructor = env->GetMethodID(type, "<init>", "()V");
  if (constructor == nullptr) return failed<_jobject>(env);
  jobject object = env->NewObject(type, constructor);
  if (object == nullptr) return failed<_jobject>(env);
  std::vector<jfieldID> ids;
  ids.reserve(fields.size());
  for (const ResultField& field : fields) {
    jfieldID id = env->GetFieldID(type, field.name, field.signature);
    if (id == nullptr) return failed<_jobject>(env);
    ids.push_back(id);
  }
  size_t index = 0;
  for (const ResultField& field : fields) {
    if (!field.set(env, object, ids[index++])) return nullptr;
  }
  return object;
}

jobject newFaultsObject(JNIEnv* env, const DeviceFaults& faults) {
  return newResultObject(
      env, "com/korvane/frc/DeviceFaults",
      {booleanField("connected", faults.connected), longField("dataAgeMs", faults.dataAgeMs),
       longField("sendFailures", static_cast<jlong>(faults.sendFailures)),
       longField("receiveFailures", static_cast<jlong>(faults.receiveFailures)),
       longField("openFailures", static_cast<jlong>(faults.openFailures))});
}

bool writeFirst(JNIEnv* env, jdoubleArray out, jdouble value) {
  return writeElementZero(env, out, value, &JNIEnv::SetDoubleArrayRegion);
}

bool writeFirst(JNIEnv* env, jlongArray out, jlong value) {
  return writeElementZero(env, out, value, &JNIEnv::SetLongArrayRegion);
}

jbyteArray newArray(JNIEnv* env, const jbyte* values, jsize count) {
  return makeArray<jbyteArray>(env, values, count, &JNIEnv::NewByteArray,
                               &JNIEnv::SetByteArrayRegion);
}

jintArray newArray(JNIEnv* env, const jint* values, jsize count) {
  return makeArray<jintArray>(env, values, count, &JNIEnv::NewIntArray, &JNIEnv::SetIntArrayRegion);
}

jfloatArray newArray(JNIEnv* env, const jfloat* values, jsize count) {
  return makeArray<jfloatArray>(env, values, count, &JNIEnv::NewFloatArray,
                                &JNIEnv::SetFloatArrayRegion);
}

jdoubleArray newArray(JNIEnv* env, const jdouble* values, jsize count) {
  return makeArray<jdoubleArray>(env, values, count, &JNIEnv::NewDoubleArray,
                                 &JNIEnv::SetDoubleArrayRegion);
}

}  // namespace korvane::jni
