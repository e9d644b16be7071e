// JNI exports of com.korvane.frc.jni.TorqaJNI: conversions only. The handle's low 32 bits are
// the CAN handle; a motor index is cut to signed 8 bits, a mode, type or sensitivity to unsigned
// 8 bits, a resolution or delay to unsigned 16 bits; a jboolean is true only when it is 1.

#include "TorqaJNI.h"

#include <jni.h>

#include <string>

#include "Boundary.h"
#include "com_korvane_frc_jni_TorqaJNI.h"

using korvane::jni::canHandle;
using korvane::jni::toBool;

namespace {

signed char motorIndex(jint motor) {
  return static_cast<signed char>(motor);
}

unsigned char byteValue(jint value) {
  return static_cast<unsigned char>(value);
}

unsigned short wordValue(jint value) {
  return static_cast<unsigned short>(value);
}

jstring toJava(JNIEnv* env, const std::string& text) {
  return env->NewStringUTF(text.c_str());
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1create(JNIEnv*, jclass,
                                                                           jint deviceID,
                                                                           jint frequency) {
  return korvane::jni::toJava(static_cast<int32_t>(TorqaJNI::c_Torqa_create(deviceID, frequency)));
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1createOnBus(JNIEnv*, jclass,
                                                                                jint bus,
                                                                                jint deviceID,
                                                                                jint frequency) {
  return korvane::jni::toJava(
      static_cast<int32_t>(TorqaJNI::c_Torqa_createOnBus(bus, deviceID, frequency)));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1destroy(JNIEnv*, jclass,
                                                                           jlong handle) {
  TorqaJNI::c_Torqa_destroy(canHandle(handle));
}

// Commands.

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1configureMotor(JNIEnv*, jclass,
                                                                                  jlong handle,
                                                                                  jint motor,
                                                                                  jint frequency) {
  TorqaJNI::c_Torqa_configureMotor(canHandle(handle), motorIndex(motor), frequency);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setMotorSpeed(JNIEnv*, jclass,
                                                                                 jlong handle,
                                                                                 jint motor,
                                                                                 jdouble speed) {
  TorqaJNI::c_Torqa_setMotorSpeed(canHandle(handle), motorIndex(motor), speed);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1disableMotor(JNIEnv*, jclass,
                                                                                jlong handle,
                                                                                jint motor) {
  TorqaJNI::c_Torqa_disableMotor(canHandle(handle), motorIndex(motor));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1resetEncoder(JNIEnv*, jclass,
                                                                                jlong handle,
                                                                                jint motor) {
  TorqaJNI::c_Torqa_resetEncoder(canHandle(handle), motorIndex(motor));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setTargetVelocity(
    JNIEnv*, jclass, jlong handle, jint motor, jfloat rpm) {
  TorqaJNI::c_Torqa_setTargetVelocity(canHandle(handle), motorIndex(motor), rpm);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setTargetDistance(
    JNIEnv*, jclass, jlong handle, jint motor, jint distance) {
  TorqaJNI::c_Torqa_setTargetDistance(canHandle(handle), motorIndex(motor), distance);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setTargetAngle(JNIEnv*, jclass,
                                                                                  jlong handle,
                                                                                  jint motor,
                                                                                  jdouble degrees) {
  TorqaJNI::c_Torqa_setTargetAngle(canHandle(handle), motorIndex(motor), degrees);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setPositionHold(JNIEnv*, jclass,
                                                                                   jlong handle,
                                                                                   jint motor,
                                                                                   jboolean hold) {
  TorqaJNI::c_Torqa_setPositionHold(canHandle(handle), motorIndex(motor), toBool(hold));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setEncoderResolution(
    JNIEnv*, jclass, jlong handle, jint motor, jint resolution) {
  TorqaJNI::c_Torqa_setEncoderResolution(canHandle(handle), motorIndex(motor),
                                         wordValue(resolution));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setCurrentLimit(JNIEnv*, jclass,
                                                                                   jlong handle,
                                                                                   jint motor,
                                                                                   jfloat amps) {
  TorqaJNI::c_Torqa_setCurrentLimit(canHandle(handle), motorIndex(motor), amps);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setCurrentLimitMode(
    JNIEnv*, jclass, jlong handle, jint motor, jint mode) {
  TorqaJNI::c_Torqa_setCurrentLimitMode(canHandle(handle), motorIndex(motor), byteValue(mode));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setMotorStopMode(JNIEnv*, jclass,
                                                                                    jlong handle,
                                                                                    jint mode) {
  TorqaJNI::c_Torqa_setMotorStopMode(canHandle(handle), byteValue(mode));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setPIDType(JNIEnv*, jclass,
                                                                              jlong handle,
                                                                              jint type) {
  TorqaJNI::c_Torqa_setPIDType(canHandle(handle), byteValue(type));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setMotorPIDType(JNIEnv*, jclass,
                                                                                   jlong handle,
                                                                                   jint motor,
                                                                                   jint type) {
  TorqaJNI::c_Torqa_setMotorPIDType(canHandle(handle), motorIndex(motor), byteValue(type));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1autotuneAll(JNIEnv*, jclass,
                                                                               jlong handle) {
  TorqaJNI::c_Torqa_autotuneAll(canHandle(handle));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1autotuneMotor(JNIEnv*, jclass,
                                                                                 jlong handle,
                                                                                 jint motor) {
  TorqaJNI::c_Torqa_autotuneMotor(canHandle(handle), motorIndex(motor));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setCANSensorOsDelay(JNIEnv*,
                                                                                       jclass,
                                                                                       jlong handle,
                                                                                       jint delay) {
  TorqaJNI::c_Torqa_setCANSensorOsDelay(canHandle(handle), wordValue(delay));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setSensitivity(
    JNIEnv*, jclass, jlong handle, jint motor, jint sensitivity) {
  TorqaJNI::c_Torqa_setSensitivity(canHandle(handle), motorIndex(motor), byteValue(sensitivity));
}

// Telemetry.

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getFrequency(JNIEnv*, jclass,
                                                                                jlong handle) {
  return TorqaJNI::c_Torqa_getFrequency(canHandle(handle));
}

JNIEXPORT jdouble JNICALL
Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getControllerTemp(JNIEnv*, jclass, jlong handle) {
  return TorqaJNI::c_Torqa_getControllerTemp(canHandle(handle));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRPM(JNIEnv*, jclass,
                                                                             jlong handle,
                                                                             jint motor) {
  return TorqaJNI::c_Torqa_getRPM(canHandle(handle), motorIndex(motor));
}

// The switch byte as the frame carries it; the JVM reads any non-zero value as true.
JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getLimitSwitch(
    JNIEnv*, jclass, jlong handle, jint motor, jboolean selector) {
  return TorqaJNI::c_Torqa_getLimitSwitch(canHandle(handle), motorIndex(motor), toBool(selector));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getOrvixPosition(JNIEnv*,
                                                                                       jclass,
                                                                                       jlong handle,
                                                                                       jint motor) {
  return TorqaJNI::c_Torqa_getOrvixPosition(canHandle(handle), motorIndex(motor));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1setEncoder(
    JNIEnv*, jclass, jlong handle, jint motor, jdouble distancePerTick) {
  TorqaJNI::c_Torqa_setEncoder(canHandle(handle), motorIndex(motor), distancePerTick);
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getEncoderDistance(
    JNIEnv*, jclass, jlong handle, jint motor) {
  return TorqaJNI::c_Torqa_getEncoderDistance(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getEncoderRaw(JNIEnv*, jclass,
                                                                                    jlong handle,
                                                                                    jint motor) {
  return TorqaJNI::c_Torqa_getEncoderRaw(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getEncoderSpeed(JNIEnv*,
                                                                                      jclass,
                                                                                      jlong handle,
                                                                                      jint motor) {
  return TorqaJNI::c_Torqa_getEncoderSpeed(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getEncoderCount(JNIEnv*, jclass,
                                                                                   jlong handle,
                                                                                   jint motor) {
  return TorqaJNI::c_Torqa_getEncoderCount(canHandle(handle), motorIndex(motor));
}

// Health.

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1isConnected(JNIEnv*, jclass,
                                                                                   jlong handle) {
  return TorqaJNI::c_Torqa_isConnected(canHandle(handle)) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getDataAgeMs(JNIEnv*, jclass,
                                                                                 jlong handle) {
  return static_cast<jlong>(TorqaJNI::c_Torqa_getDataAgeMs(canHandle(handle)));
}

JNIEXPORT jobject JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getFaults(JNIEnv* env, jclass,
                                                                                jlong handle) {
  return korvane::jni::orOnThrow(jobject{nullptr}, [&] {
    return korvane::jni::newFaultsObject(env, TorqaJNI::c_Torqa_getFaults(canHandle(handle)));
  });
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1tryGetRPM(
    JNIEnv* env, jclass, jlong handle, jint motor, jdoubleArray out) {
  if (out == nullptr) return JNI_FALSE;
  double value = 0.0;
  if (!TorqaJNI::c_Torqa_tryGetRPM(canHandle(handle), motorIndex(motor), &value)) return JNI_FALSE;
  return korvane::jni::writeFirst(env, out, value) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1tryGetTargetRPM(
    JNIEnv* env, jclass, jlong handle, jint motor, jdoubleArray out) {
  if (out == nullptr) return JNI_FALSE;
  double value = 0.0;
  if (!TorqaJNI::c_Torqa_tryGetTargetRPM(canHandle(handle), motorIndex(motor), &value))
    return JNI_FALSE;
  return korvane::jni::writeFirst(env, out, value) ? JNI_TRUE : JNI_FALSE;
}

// Null unless the controller has sent all four targets.
JNIEXPORT jdoubleArray JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getTargetRPMFromDevice(
    JNIEnv* env, jclass, jlong handle) {
  double targets[4] = {0.0, 0.0, 0.0, 0.0};
  if (!TorqaJNI::c_Torqa_getTargetRPMFromDevice(canHandle(handle), targets)) return nullptr;
  return korvane::jni::newArray(env, targets, 4);
}

// Telemetry from the recent frames, shared by the reads of one robot loop.

JNIEXPORT jint JNICALL
Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentFrequency(JNIEnv*, jclass, jlong handle) {
  return TorqaJNI::c_Torqa_getRecentFrequency(canHandle(handle));
}

JNIEXPORT jdouble JNICALL
Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentControllerTemp(JNIEnv*, jclass, jlong handle) {
  return TorqaJNI::c_Torqa_getRecentControllerTemp(canHandle(handle));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentRPM(JNIEnv*, jclass,
                                                                                   jlong handle,
                                                                                   jint motor) {
  return TorqaJNI::c_Torqa_getRecentRPM(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentEncoderSpeed(
    JNIEnv*, jclass, jlong handle, jint motor) {
  return TorqaJNI::c_Torqa_getRecentEncoderSpeed(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentEncoderCount(
    JNIEnv*, jclass, jlong handle, jint motor) {
  return TorqaJNI::c_Torqa_getRecentEncoderCount(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentLimitSwitch(
    JNIEnv*, jclass, jlong handle, jint motor, jboolean selector) {
  return TorqaJNI::c_Torqa_getRecentLimitSwitch(canHandle(handle), motorIndex(motor),
                                                toBool(selector));
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentOrvixPosition(
    JNIEnv*, jclass, jlong handle, jint motor) {
  return TorqaJNI::c_Torqa_getRecentOrvixPosition(canHandle(handle), motorIndex(motor));
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1tryGetRecentRPM(
    JNIEnv* env, jclass, jlong handle, jint motor, jdoubleArray out) {
  if (out == nullptr) return JNI_FALSE;
  double value = 0.0;
  if (!TorqaJNI::c_Torqa_tryGetRecentRPM(canHandle(handle), motorIndex(motor), &value)) {
    return JNI_FALSE;
  }
  return korvane::jni::writeFirst(env, out, value) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1tryGetRecentTargetRPM(
    JNIEnv* env, jclass, jlong handle, jint motor, jdoubleArray out) {
  if (out == nullptr) return JNI_FALSE;
  double value = 0.0;
  if (!TorqaJNI::c_Torqa_tryGetRecentTargetRPM(canHandle(handle), motorIndex(motor), &value)) {
    return JNI_FALSE;
  }
  return korvane::jni::writeFirst(env, out, value) ? JNI_TRUE : JNI_FALSE;
}

// Fills elements 0..3 of the caller's array; false (array untouched) unless the controller has
// sent all four targets, or when the array is null or shorter than 4.
JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getRecentTargetRPMs(
    JNIEnv* env, jclass, jlong handle, jdoubleArray into) {
  if (into == nullptr || env->GetArrayLength(into) < 4) return JNI_FALSE;
  double targets[4] = {0.0, 0.0, 0.0, 0.0};
  if (!TorqaJNI::c_Torqa_getRecentTargetRPMs(canHandle(handle), targets)) return JNI_FALSE;
  env->SetDoubleArrayRegion(into, 0, 4, targets);
  return JNI_TRUE;
}

// Fills elements 0..3 with the four motors' speeds and 4..7 with their encoder counts, each as new
// as the bus had at the call; false (array untouched) for a handle that is not open, or when the
// array is null or shorter than 8.
JNIEXPORT jboolean JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1readMotorTelemetry(
    JNIEnv* env, jclass, jlong handle, jdoubleArray into) {
  if (into == nullptr || env->GetArrayLength(into) < 8) return JNI_FALSE;
  double values[8] = {};
  int32_t counts[4] = {};
  if (!TorqaJNI::c_Torqa_readMotorTelemetry(canHandle(handle), values, counts)) return JNI_FALSE;
  for (int motor = 0; motor < 4; ++motor) values[4 + motor] = counts[motor];
  env->SetDoubleArrayRegion(into, 0, 8, values);
  return JNI_TRUE;
}

// Identity. These block the calling thread: up to about 1.1 s for the first three while the
// controller does not answer, 10 ms for the serial number.

JNIEXPORT jint JNICALL Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getID(JNIEnv*, jclass,
                                                                         jlong handle) {
  return TorqaJNI::c_Torqa_getID(canHandle(handle));
}

JNIEXPORT jstring JNICALL
Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getFirmwareVersion(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jstring{nullptr}, [&] {
    return toJava(env, TorqaJNI::c_Torqa_getFirmwareVersion(canHandle(handle)));
  });
}

JNIEXPORT jstring JNICALL
Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getHardwareVersion(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jstring{nullptr}, [&] {
    return toJava(env, TorqaJNI::c_Torqa_getHardwareVersion(canHandle(handle)));
  });
}

JNIEXPORT jstring JNICALL
Java_com_korvane_frc_jni_TorqaJNI_c_1Torqa_1getSerialNumber(JNIEnv* env, jclass, jlong handle) {
  return korvane::jni::orOnThrow(jstring{nullptr}, [&] {
    return toJava(env, TorqaJNI::c_Torqa_getSerialNumber(canHandle(handle)));
  });
}

}  // extern "C"
