#pragma once

// Java arrays and strings to and from the values the simulators take.

#include <jni.h>

#include <optional>
#include <string>
#include <vector>

// The bytes of a Java array; empty for null.
std::string bytesOf(JNIEnv* env, jbyteArray array);
// The characters of a Java string (modified UTF-8); none for null or when they cannot be had.
std::optional<std::string> textOf(JNIEnv* env, jstring text);
// A Java String[] of these lines; null, with an exception pending, when it cannot be made.
jobjectArray stringArrayOf(JNIEnv* env, const std::vector<std::string>& lines);
