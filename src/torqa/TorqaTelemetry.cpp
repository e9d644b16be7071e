// The read side of the motor controller: the latest status frame of each kind, decoded, read
// through the HAL on every call or shared among the reads of one robot loop (the recent frames).
// Nothing is requested and nothing is waited for.

#include <cstdint>

#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "common/LittleEndian.h"
#include "torqa/Controllers.h"
#include "torqa/StatusFrames.h"

using korvane::torqa::Controllers;

std::array<std::atomic<double>, 4> TorqaJNI::encoderDistPerTick{1.0, 1.0, 1.0, 1.0};

namespace {

using korvane::torqa::kNoErrorText;
using korvane::torqa::RecentFrames;
using korvane::torqa::StatusFrame;

// The latest frame of the API, all zeros when none was copied. Reads go through the handle alone,
// whether or not it is open: the HAL fails them when it is not.
StatusFrame readLatest(long handle, int api, int errorCode) {
  return korvane::torqa::readStatusFrame(static_cast<int32_t>(handle), api, errorCode);
}

// The same, shared with the other reads of the API within the freshness bound.
StatusFrame readRecent(long handle, int api, int errorCode) {
  return RecentFrames::instance().read(static_cast<int32_t>(handle), api, errorCode);
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

double unpackRpm(const uint8_t* bytes) {
  return static_cast<double>(korvane::readI32(bytes)) / 100.0;
}

bool tryDecode(const StatusFrame& frame, double* out) {
  *out = 0.0;
  if (!frame.there()) return false;
  *out = unpackRpm(frame.data.data());
  return true;
}

// Shows a speed read on the controller's simulated device. The controller is looked up only
// while a simulation shows some controller, so that a read on the robot stays a HAL call.
void showSpeed(long handle, signed char motor, double rpm) {
  const Controllers& controllers = Controllers::instance();
  if (!controllers.anyShown()) return;
  if (const auto controller = controllers.find(handle)) controller->showSpeed(motor, rpm);
}

// The motor's speed from its status frame; also shown on its simulated device when the frame was
// there.
double rpmOf(long handle, signed char motor, const StatusFrame& f) {
  const double rpm = unpackRpm(f.data.data());
  if (f.there()) showSpeed(handle, motor, rpm);
  return rpm;
}

int frequencyOf(const StatusFrame& f) {
  return korvane::readU16(f.data.data());
}

double temperatureOf(const StatusFrame& f) {
  return f.data[0] + f.data[1] / 100.0;
}

unsigned char limitSwitchOf(const StatusFrame& f, signed char motor, bool selector) {
  return f.data[2 * motor + (selector ? 1 : 0)];
}

double orvixPositionOf(const StatusFrame& f, signed char motor) {
  return (f.data[2 * motor] + 256 * f.data[2 * motor + 1]) / 100.0;
}

int encoderCountOf(const StatusFrame& f) {
  return korvane::readI32(f.data.data());
}

int rpmCode(signed char motor) {
  return 1017 + frameMotor(motor);
}

int encoderCode(signed char motor) {
  return 1104 + frameMotor(motor);
}

int encoderSpeedCode(signed char motor) {
  return 1108 + frameMotor(motor);
}

constexpr int kFrequencyCode = 1011;
constexpr int kTemperatureCode = 1015;
constexpr int kLimitSwitchCode = 1016;

}  // namespace

int TorqaJNI::c_Torqa_getFrequency(long handle) {
  return frequencyOf(readLatest(handle, korvane::torqa::frames::kFrequencyApi, kFrequencyCode));
}

double TorqaJNI::c_Torqa_getControllerTemp(long handle) {
  return temperatureOf(
      readLatest(handle, korvane::torqa::frames::kTemperatureApi, kTemperatureCode));
}

double TorqaJNI::c_Torqa_getRPM(long handle, signed char motor) {
  return rpmOf(handle, motor, readLatest(handle, rpmOutputID(motor), rpmCode(motor)));
}

unsigned char TorqaJNI::c_Torqa_getLimitSwitch(long handle, signed char motor, bool selector) {
  if (!motorInRange(motor)) return 0;  // the frame has switches for motors 0..3 only
  return limitSwitchOf(
      readLatest(handle, korvane::torqa::frames::kLimitSwitchApi, kLimitSwitchCode), motor,
      selector);
}

double TorqaJNI::c_Torqa_getOrvixPosition(long handle, signed char motor) {
  if (!motorInRange(motor)) return 0.0;
  return orvixPositionOf(readLatest(handle, korvane::torqa::frames::kOrvixApi, kNoErrorText),
                         motor);
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
  return encoderCountOf(f) * encoderDistPerTick[motor].load(std::memory_order_relaxed);
}

double TorqaJNI::c_Torqa_getEncoderRaw(long handle, signed char motor) {
  return static_cast<double>(
      encoderCountOf(readLatest(handle, encoderOutputID(motor), encoderCode(motor))));
}

double TorqaJNI::c_Torqa_getEncoderSpeed(long handle, signed char motor) {
  return rpmOf(handle, motor, readLatest(handle, rpmOutputID(motor), encoderSpeedCode(motor)));
}

int TorqaJNI::c_Torqa_getEncoderCount(long handle, signed char motor) {
  return encoderCountOf(readLatest(handle, encoderOutputID(motor), encoderCode(motor)));
}

bool TorqaJNI::c_Torqa_tryGetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  if (!tryDecode(readLatest(handle, rpmOutputID(motor), kNoErrorText), out)) return false;
  showSpeed(handle, motor, *out);
  return true;
}

bool TorqaJNI::c_Torqa_tryGetTargetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  if (!motorInRange(motor)) return false;
  return tryDecode(readLatest(handle, targetRpmOutputID(motor), kNoErrorText), out);
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

// The same readings from the recent frames.

int TorqaJNI::c_Torqa_getRecentFrequency(long handle) {
  return frequencyOf(readRecent(handle, korvane::torqa::frames::kFrequencyApi, kFrequencyCode));
}

double TorqaJNI::c_Torqa_getRecentControllerTemp(long handle) {
  return temperatureOf(
      readRecent(handle, korvane::torqa::frames::kTemperatureApi, kTemperatureCode));
}

double TorqaJNI::c_Torqa_getRecentRPM(long handle, signed char motor) {
  return rpmOf(handle, motor, readRecent(handle, rpmOutputID(motor), rpmCode(motor)));
}

double TorqaJNI::c_Torqa_getRecentEncoderSpeed(long handle, signed char motor) {
  return rpmOf(handle, motor, readRecent(handle, rpmOutputID(motor), encoderSpeedCode(motor)));
}

int TorqaJNI::c_Torqa_getRecentEncoderCount(long handle, signed char motor) {
  return encoderCountOf(readRecent(handle, encoderOutputID(motor), encoderCode(motor)));
}

unsigned char TorqaJNI::c_Torqa_getRecentLimitSwitch(long handle, signed char motor,
                                                     bool selector) {
  if (!motorInRange(motor)) return 0;
  return limitSwitchOf(
      readRecent(handle, korvane::torqa::frames::kLimitSwitchApi, kLimitSwitchCode), motor,
      selector);
}

double TorqaJNI::c_Torqa_getRecentOrvixPosition(long handle, signed char motor) {
  if (!motorInRange(motor)) return 0.0;
  return orvixPositionOf(readRecent(handle, korvane::torqa::frames::kOrvixApi, kNoErrorText),
                         motor);
}

bool TorqaJNI::c_Torqa_tryGetRecentRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  if (!tryDecode(readRecent(handle, rpmOutputID(motor), kNoErrorText), out)) return false;
  showSpeed(handle, motor, *out);
  return true;
}

bool TorqaJNI::c_Torqa_tryGetRecentTargetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr || !motorInRange(motor)) return false;
  return tryDecode(readRecent(handle, targetRpmOutputID(motor), kNoErrorText), out);
}

bool TorqaJNI::c_Torqa_getRecentTargetRPMs(long handle, double* out) {
  if (out == nullptr) return false;
  bool all = true;
  for (signed char motor = 0; motor < 4; ++motor) {
    if (!c_Torqa_tryGetRecentTargetRPM(handle, motor, &out[motor])) {
      out[motor] = 0.0;
      all = false;
    }
  }
  return all;
}
