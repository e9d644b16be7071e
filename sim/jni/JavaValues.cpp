#include "JavaValues.h"

std::string bytesOf(JNIEnv* env, jbyteArray array) {
  std::string bytes;
  if (array == nullptr) return bytes;
  bytes.resize(static_cast<size_t>(env->GetArrayLength(array)));
  if (!bytes.empty()) {
    env->GetByteArrayRegion(array, 0, static_cast<jsize>(bytes.size()),
                            reinterpret_cast<jbyte*>(bytes.data()));
  }
  return bytes;
}

std::optional<std::string> textOf(JNIEnv* env, jstring text) {
  if (text == nullptr) return std::nullopt;
  const char* chars = env->GetStringUTFChars(text, nullptr);
  if (chars == nullptr) return std::nullopt;
  std::string copy = chars;
  env->ReleaseStringUTFChars(text, chars);
  return copy;
}

jobjectArray stringArrayOf(JNIEnv* env, const std::vector<std::string>& lines) {
  jclass stringClass = env->FindClass("java/lang/String");
  if (stringClass == nullptr) return nullptr;
  jobjectArray array = env->NewObjectArray(static_cast<jsize>(lines.size()), stringClass, nullptr);
  if (array == nullptr) return nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    jstring line = env->NewStringUTF(lines[i].c_str());
    if (line == nullptr) return nullptr;
    env->SetObjectArrayElement(array, static_cast<jsize>(i), line);
    env->DeleteLocalRef(line);
  }
  return array;
}
