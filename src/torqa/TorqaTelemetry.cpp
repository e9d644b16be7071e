// The read side of the motor controller: the latest status frame of each kind, decoded. Nothing
// is requested and nothing is waited for. Each read also tells the open controller's health when
// the HAL received the frame.

#include <cstdint>
#include <exception>
#include <iostream>

#include "Torqa.h"
#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "common/ConsoleLine.h"
#include "common/LittleEndian.h"
#include "hal/CANAPI.h"
#include "torqa/Controllers.h"
#include "torqa/StatusFrame.h"

using korvane::torqa::Controllers;
using korvane::torqa::kNoText;
using korvane::torqa::StatusFrame;

std::array<std::atomic<double>, 4> TorqaJNI::encoderDistPerTick{1.0, 1.0, 1.0, 1.0};

StatusFrame korvane::torqa::readStatusFrame(long handle, int api, int errorCode) {
  StatusFrame frame;
  int32_t length = 0;
  try {
    HAL_ReadCANPacketLatest(static_cast<HAL_CANHandle>(handle), api, frame.data, &length,
                            &frame.timestamp, &frame.status);
  } catch (const std::exception&) {
    frame.raised = true;
    if (errorCode != kNoText) korvane::printLine(std::cout, Torqa::getErrorMessage(errorCode));
  }
  return frame;
}

namespace {

// The latest frame of the API (see readStatusFrame), told to the handle's controller if open.
StatusFrame readLatest(long handle, int api, int errorCode) {
  StatusFrame frame = korvane::torqa::readStatusFrame(handle, api, errorCode);
  if (const auto controller = Controllers::instance().find(handle)) controller->noteStatus(frame);
  return frame;
}

bool motorInRange(signed char motor) {
  return static_cast<unsigned char>(motor) <= 3;
}

// The channel whose frames an index reads: 1, 2 and 3 their own, any other index motor 0's.
// Error texts name this channel too, so an out-of-range index reports motor 0's text rather
// than an unrelated one (1017 + 5 would be a serial-number text).
int frameMotor(signed char motor) {
  return motor >= 1 && motor <= 3 ? motor : 0;
}

int encoderOutputID(signed char motor) {
  return korvane::torqa::frames::kEncoderApi + frameMotor(motor);
}

int rpmOutputID(signed char motor) {
  return korvane::torqa::frames::kRpmApi + frameMotor(motor);
}

int targetRpmOutputID(signed char motor) {
  return korvane::torqa::frames::kTargetRpmApi + frameMotor(motor);
}

double unpackRpm(const unsigned char* bytes) {
  return static_cast<double>(korvane::readI32(bytes)) / 100.0;
}

bool tryRead(long handle, int api, double* out) {
  *out = 0.0;
  StatusFrame frame = readLatest(handle, api, kNoText);
  if (!frame.there()) return false;
  *out = unpackRpm(frame.data);
  return true;
}

// Shows a speed read on the controller's simulated device. The controller is looked up only
// while a simulation shows some controller, so that a read on the robot stays a HAL call.
void showSpeed(long handle, signed char motor, double rpm) {
  const Controllers& controllers = Controllers::instance();
  if (!controllers.anyShown()) return;
  if (const auto controller = controllers.find(handle)) controller->showSpeed(motor, rpm);
}

// The motor's speed as read from its status frame; also shown on its simulated device when the
// frame was there.
double readRpm(long handle, signed char motor, int errorCode) {
  StatusFrame f = readLatest(handle, rpmOutputID(motor), errorCode);
  const double rpm = unpackRpm(f.data);
  if (f.there()) showSpeed(handle, motor, rpm);
  return rpm;
}

}  // namespace

int TorqaJNI::c_Torqa_getFrequency(long handle) {
  StatusFrame f = readLatest(handle, korvane::torqa::frames::kFrequencyApi, 1011);
  return korvane::readU16(f.data);
}

double TorqaJNI::c_Torqa_getControllerTemp(long handle) {
  StatusFrame f = readLatest(handle, korvane::torqa::frames::kTemperatureApi, 1015);
  return f.data[0] + f.data[1] / 100.0;
}

double TorqaJNI::c_Torqa_getRPM(long handle, signed char motor) {
  return readRpm(handle, motor, 1017 + frameMotor(motor));
}

unsigned char TorqaJNI::c_Torqa_getLimitSwitch(long handle, signed char motor, bool selector) {
  if (!motorInRange(motor)) return 0;  // the frame has switches for motors 0..3 only
  StatusFrame f = readLatest(handle, korvane::torqa::frames::kLimitSwitchApi, 1016);
  return f.data[2 * motor + (selector ? 1 : 0)];
}

double TorqaJNI::c_Torqa_getOrvixPosition(long handle, signed char motor) {
  if (!motorInRange(motor)) return 0.0;
  StatusFrame f = readLatest(handle, korvane::torqa::frames::kOrvixApi, kNoText);
  return (f.data[2 * motor] + 256 * f.data[2 * motor + 1]) / 100.0;
}

void TorqaJNI::c_Torqa_setEncoder(long handle, signed char motor, double distancePerTick) {
  (void)handle;
  if (!motorInRange(motor)) return;
  encoderDistPerTick[static_cast<unsigned char>(motor)].store(distancePerTick,
                                                              std::memory_order_relaxed);
}

double TorqaJNI::c_Torqa_getEncoderDistance(long handle, signed char motor) {
  if (!motorInRange(motor)) return 0.0;  // there is a scale for channels 0..3 only
  StatusFrame f = readLatest(handle, encoderOutputID(motor), 1100 + frameMotor(motor));
  return korvane::readI32(f.data) * encoderDistPerTick[motor].load(std::memory_order_relaxed);
}

double TorqaJNI::c_Torqa_getEncoderRaw(long handle, signed char motor) {
  StatusFrame f = readLatest(handle, encoderOutputID(motor), 1104 + frameMotor(motor));
  return static_cast<double>(korvane::readI32(f.data));
}

double TorqaJNI::c_Torqa_getEncoderSpeed(long handle, signed char motor) {
  return readRpm(handle, motor, 1108 + frameMotor(motor));
}

int TorqaJNI::c_Torqa_getEncoderCount(long handle, signed char motor) {
  StatusFrame f = readLatest(handle, encoderOutputID(motor), 1104 + frameMotor(motor));
  return korvane::readI32(f.data);
}

bool TorqaJNI::c_Torqa_tryGetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  if (!tryRead(handle, rpmOutputID(motor), out)) return false;
  showSpeed(handle, motor, *out);
  return true;
}

bool TorqaJNI::c_Torqa_tryGetTargetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  if (!motorInRange(motor)) return false;
  return tryRead(handle, targetRpmOutputID(motor), out);
}

bool TorqaJNI::c_Torqa_getTargetRPMFromDevice(long handle, double* out) {
  if (out == nullptr) return false;
  bool all = true;
  for (signed char motor = 0; motor < 4; ++motor) {
    if (!c_Torqa_tryGetTargetRPM(handle, motor, &out[motor])) {
      out[motor] = 0.0;
      all = false;
    }
  }
  return all;
}
