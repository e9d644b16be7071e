// The write side of the motor controller: one 8-byte frame per command, sent once, no answer.

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "TorqaFrames.h"
#include "common/LittleEndian.h"
#include "torqa/FrameSend.h"
#include "torqa/Operations.h"

namespace korvane::torqa {

namespace {

// Sends the bytes (the rest of the 8 are 0) to the controller (device number 0 on bus 0 for a
// handle that is not open), which counts a failed send.
void send(unsigned int messageBase, const Target& to, std::initializer_list<unsigned char> bytes) {
  unsigned char data[8] = {};
  int i = 0;
  for (unsigned char b : bytes) data[i++] = b;
  const int32_t status = sendFrame(to.address(), messageBase, data);
  if (to) to.controller()->noteSend(status);
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

void configureMotor(const Target& to, signed char motor, int frequency) {
  send(frames::kConfigureMotor, to,
       {static_cast<unsigned char>(motor), byteOf(frequency, 0), byteOf(frequency, 1)});
}

void setMotorSpeed(const Target& to, signed char motor, double speed) {
  if (!motorInRange(motor)) return;
  if (std::isnan(speed)) speed = 0.0;  // stop rather than send an undefined magnitude
  if (speed > 1.0) speed = 1.0;
  if (speed < -1.0) speed = -1.0;
  int magnitude = speed >= 0 ? static_cast<int>(speed * 100.0) : static_cast<int>(-(speed * 100.0));
  if (magnitude < 0) magnitude = 0;
  if (magnitude > 100) magnitude = 100;
  send(frames::kMotorSpeed, to,
       {static_cast<unsigned char>(motor), static_cast<unsigned char>(magnitude),
        static_cast<unsigned char>(speed >= 0 ? 1 : 0),
        static_cast<unsigned char>(speed <= 0 ? 1 : 0)});
  if (to) to.controller()->showOutput(motor, (speed >= 0 ? magnitude : -magnitude) / 100.0);
}

void disableMotor(const Target& to, signed char motor) {
  send(frames::kDisableMotor, to, {static_cast<unsigned char>(motor)});
  if (to) to.controller()->showOutput(motor, 0.0);
}

void resetEncoder(const Target& to, signed char motor) {
  send(frames::kResetEncoder, to, {static_cast<unsigned char>(motor)});
}

void setTargetVelocity(const Target& to, signed char motor, float rpm) {
  if (!motorAtMost3(motor)) return;
  int32_t value = scaledVelocity(rpm);
  send(frames::kTargetVelocity, to,
       {static_cast<unsigned char>(motor), byteOf(value, 0), byteOf(value, 1), byteOf(value, 2),
        byteOf(value, 3)});
}

void setTargetDistance(const Target& to, signed char motor, int distance) {
  if (!motorAtMost3(motor)) return;
  send(frames::kTargetDistance, to,
       {static_cast<unsigned char>(motor), byteOf(distance, 0), byteOf(distance, 1),
        byteOf(distance, 2)});
}

void setTargetAngle(const Target& to, signed char motor, double degrees) {
  if (!motorAtMost3(motor)) return;
  if (std::isnan(degrees) || degrees < 0) degrees = 0;
  if (degrees > 360) degrees = 360;
  unsigned int value = static_cast<unsigned int>(degrees * 100.0);
  send(frames::kTargetAngle, to,
       {static_cast<unsigned char>(motor), byteOf(value, 0), byteOf(value, 1)});
}

void setPositionHold(const Target& to, signed char motor, bool hold) {
  if (!motorAtMost3(motor)) return;
  send(frames::kPositionHold, to,
       {static_cast<unsigned char>(motor), static_cast<unsigned char>(hold ? 1 : 0)});
}

void setEncoderResolution(const Target& to, signed char motor, unsigned short resolution) {
  if (!motorAtMost3(motor)) return;
  send(frames::kEncoderResolution, to,
       {static_cast<unsigned char>(motor), byteOf(resolution, 0), byteOf(resolution, 1)});
}

void setCurrentLimit(const Target& to, signed char motor, float amps) {
  if (!motorAtMost3(motor)) return;
  unsigned int value = scaledCurrentLimit(amps);
  send(frames::kCurrentLimit, to,
       {static_cast<unsigned char>(motor), byteOf(value, 0), byteOf(value, 1)});
}

void setCurrentLimitMode(const Target& to, signed char motor, unsigned char mode) {
  if (!motorAtMost3(motor)) return;
  send(frames::kCurrentLimitMode, to,
       {static_cast<unsigned char>(motor), static_cast<unsigned char>(mode != 0 ? 1 : 0)});
}

void setMotorStopMode(const Target& to, unsigned char mode) {
  send(frames::kMotorStopMode, to, {mode});
}

void setPIDType(const Target& to, unsigned char type) {
  if (type > 2) return;
  // 0xFF in place of a motor index addresses every motor.
  send(frames::kPIDType, to, {0xFF, type, 0xC3});
}

void setMotorPIDType(const Target& to, signed char motor, unsigned char type) {
  if (!motorInRange(motor) || type > 2) return;
  send(frames::kPIDType, to, {static_cast<unsigned char>(motor), type, 0xC3});
}

void autotuneAll(const Target& to) {
  send(frames::kAutotuneAll, to, {});
}

void autotuneMotor(const Target& to, signed char motor) {
  if (!motorInRange(motor)) return;
  send(frames::kAutotuneMotor, to, {static_cast<unsigned char>(motor)});
}

void setCANSensorOsDelay(const Target& to, unsigned short delay) {
  if (delay < 5) delay = 5;
  send(frames::kCANSensorDelay, to, {byteOf(delay, 0), byteOf(delay, 1)});
}

void setSensitivity(const Target& to, signed char motor, unsigned char sensitivity) {
  if (!motorAtMost3(motor) || sensitivity > 10) return;
  send(frames::kSensitivity, to, {static_cast<unsigned char>(motor), sensitivity});
}

}  // namespace korvane::torqa
