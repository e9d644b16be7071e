// The write side of the motor controller: one 8-byte frame per command, sent once, no answer.

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "common/LittleEndian.h"
#include "torqa/Controllers.h"
#include "torqa/FrameSend.h"

using korvane::torqa::Controllers;

namespace {

// Sends the bytes (the rest of the 8 are 0) to the controller (device number 0 on bus 0 for a
// handle that is not open), which counts a failed send.
void sendTo(unsigned int messageBase, const Controllers::Ref& controller,
            std::initializer_list<unsigned char> bytes) {
  unsigned char data[8] = {};
  int i = 0;
  for (unsigned char b : bytes) data[i++] = b;
  const int32_t status = korvane::torqa::sendFrame(
      controller ? controller->address() : korvane::torqa::Address{}, messageBase, data);
  if (controller) controller->noteSend(status);
}

// Sends the bytes to the handle's controller.
void send(unsigned int messageBase, long handle, std::initializer_list<unsigned char> bytes) {
  sendTo(messageBase, Controllers::instance().find(handle), bytes);
}

// Index 0..3: a negative index is rejected.
bool motorInRange(signed char motor) {
  return static_cast<unsigned char>(motor) <= 3;
}

// Index at most 3: a negative index passes and is sent as its byte.
bool motorAtMost3(signed char motor) {
  return motor <= 3;
}

// Half away from zero, in single precision. Values beyond 32 bits are sent as the nearest end of
// the range and NaN as 0, instead of an undefined conversion.
int32_t scaledVelocity(float rpm) {
  float v = rpm * 100.0f;
  float rounded = v >= 0 ? v + 0.5f : v - 0.5f;
  if (std::isnan(rounded)) return 0;
  if (rounded >= 2147483648.0f) return INT32_MAX;
  if (rounded <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(rounded);
}

// Hundredths of an ampere in 16 bits. A limit above 655.35 A is sent as 655.35 A, not wrapped
// round to a small one; NaN counts as 0.
unsigned int scaledCurrentLimit(float amps) {
  if (std::isnan(amps) || amps < 0) amps = 0;
  float scaled = amps * 100.0f;
  if (scaled >= 65535.0f) return 65535;
  return static_cast<unsigned int>(scaled);
}

}  // namespace

void TorqaJNI::c_Torqa_setMotorSpeed(long handle, signed char motor, double speed) {
  if (!motorInRange(motor)) return;
  if (std::isnan(speed)) speed = 0.0;  // stop rather than send an undefined magnitude
  if (speed > 1.0) speed = 1.0;
  if (speed < -1.0) speed = -1.0;
  int magnitude = speed >= 0 ? static_cast<int>(speed * 100.0) : static_cast<int>(-(speed * 100.0));
  if (magnitude < 0) magnitude = 0;
  if (magnitude > 100) magnitude = 100;
  const auto controller = Controllers::instance().find(handle);
  sendTo(korvane::torqa::frames::kMotorSpeed, controller,
         {static_cast<unsigned char>(motor), static_cast<unsigned char>(magnitude),
          static_cast<unsigned char>(speed >= 0 ? 1 : 0),
          static_cast<unsigned char>(speed <= 0 ? 1 : 0)});
  if (controller) controller->showOutput(motor, (speed >= 0 ? magnitude : -magnitude) / 100.0);
}

void TorqaJNI::c_Torqa_disableMotor(long handle, signed char motor) {
  const auto controller = Controllers::instance().find(handle);
  sendTo(korvane::torqa::frames::kDisableMotor, controller, {static_cast<unsigned char>(motor)});
  if (controller) controller->showOutput(motor, 0.0);
}

void TorqaJNI::c_Torqa_resetEncoder(long handle, signed char motor) {
  send(korvane::torqa::frames::kResetEncoder, handle, {static_cast<unsigned char>(motor)});
}

void TorqaJNI::c_Torqa_setTargetVelocity(long handle, signed char motor, float rpm) {
  if (!motorAtMost3(motor)) return;
  int32_t value = scaledVelocity(rpm);
  send(korvane::torqa::frames::kTargetVelocity, handle,
       {static_cast<unsigned char>(motor), korvane::byteOf(value, 0), korvane::byteOf(value, 1),
        korvane::byteOf(value, 2), korvane::byteOf(value, 3)});
}

void TorqaJNI::c_Torqa_setTargetDistance(long handle, signed char motor, int distance) {
  if (!motorAtMost3(motor)) return;
  send(korvane::torqa::frames::kTargetDistance, handle,
       {static_cast<unsigned char>(motor), korvane::byteOf(distance, 0),
        korvane::byteOf(distance, 1), korvane::byteOf(distance, 2)});
}

void TorqaJNI::c_Torqa_setTargetAngle(long handle, signed char motor, double degrees) {
  if (!motorAtMost3(motor)) return;
  if (std::isnan(degrees) || degrees < 0) degrees = 0;
  if (degrees > 360) degrees = 360;
  unsigned int value = static_cast<unsigned int>(degrees * 100.0);
  send(korvane::torqa::frames::kTargetAngle, handle,
       {static_cast<unsigned char>(motor), korvane::byteOf(value, 0), korvane::byteOf(value, 1)});
}

void TorqaJNI::c_Torqa_setPositionHold(long handle, signed char motor, bool hold) {
  if (!motorAtMost3(motor)) return;
  send(korvane::torqa::frames::kPositionHold, handle,
       {static_cast<unsigned char>(motor), static_cast<unsigned char>(hold ? 1 : 0)});
}

void TorqaJNI::c_Torqa_setEncoderResolution(long handle, signed char motor,
                                            unsigned short resolution) {
  if (!motorAtMost3(motor)) return;
  send(korvane::torqa::frames::kEncoderResolution, handle,
       {static_cast<unsigned char>(motor), korvane::byteOf(resolution, 0),
        korvane::byteOf(resolution, 1)});
}

void TorqaJNI::c_Torqa_setCurrentLimit(long handle, signed char motor, float amps) {
  if (!motorAtMost3(motor)) return;
  unsigned int value = scaledCurrentLimit(amps);
  send(korvane::torqa::frames::kCurrentLimit, handle,
       {static_cast<unsigned char>(motor), korvane::byteOf(value, 0), korvane::byteOf(value, 1)});
}

void TorqaJNI::c_Torqa_setCurrentLimitMode(long handle, signed char motor, unsigned char mode) {
  if (!motorAtMost3(motor)) return;
  send(korvane::torqa::frames::kCurrentLimitMode, handle,
       {static_cast<unsigned char>(motor), static_cast<unsigned char>(mode != 0 ? 1 : 0)});
}

void TorqaJNI::c_Torqa_setMotorStopMode(long handle, unsigned char mode) {
  send(korvane::torqa::frames::kMotorStopMode, handle, {mode});
}

void TorqaJNI::c_Torqa_setPIDType(long handle, unsigned char type) {
  if (type > 2) return;
  // 0xFF in place of a motor index addresses every motor.
  send(korvane::torqa::frames::kPIDType, handle, {0xFF, type, 0xC3});
}

void TorqaJNI::c_Torqa_setMotorPIDType(long handle, signed char motor, unsigned char type) {
  if (!motorInRange(motor) || type > 2) return;
  send(korvane::torqa::frames::kPIDType, handle, {static_cast<unsigned char>(motor), type, 0xC3});
}

void TorqaJNI::c_Torqa_autotuneAll(long handle) {
  send(korvane::torqa::frames::kAutotuneAll, handle, {});
}

void TorqaJNI::c_Torqa_autotuneMotor(long handle, signed char motor) {
  if (!motorInRange(motor)) return;
  send(korvane::torqa::frames::kAutotuneMotor, handle, {static_cast<unsigned char>(motor)});
}

void TorqaJNI::c_Torqa_setCANSensorOsDelay(long handle, unsigned short delay) {
  if (delay < 5) delay = 5;
  send(korvane::torqa::frames::kCANSensorDelay, handle,
       {korvane::byteOf(delay, 0), korvane::byteOf(delay, 1)});
}

void TorqaJNI::c_Torqa_setSensitivity(long handle, signed char motor, unsigned char sensitivity) {
  if (!motorAtMost3(motor) || sensitivity > 10) return;
  send(korvane::torqa::frames::kSensitivity, handle,
       {static_cast<unsigned char>(motor), sensitivity});
}
