// The read side of the motor controller: the latest status frame of each kind, decoded, read
// through the HAL on every call or shared among the reads of one robot loop (the recent frames).
// Nothing is requested and nothing is waited for. Every read of an open controller also tells its
// health when the HAL received the frame (torqa/Controller.h).

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
using korvane::torqa::StatusFrame;

// The status reads of one call: the open controller the handle names is looked up once, and reads
// its frames (keeping them and telling its health) and shows its speeds. A handle that is not
// open is read through the HAL alone, which fails the read.
class Reads {
 public:
  explicit Reads(long handle)
      : handle_(handle), controller_(Controllers::instance().find(handle)) {}

  // The latest frame of the API, read through the HAL now; all zeros when none was copied.
  StatusFrame latest(int api, int errorCode) const {
    return controller_
               ? controller_->readStatus(api, errorCode)
               : korvane::torqa::readStatusFrame(static_cast<int32_t>(handle_), api, errorCode);
  }

  // The same, shared with the other reads of the API within the freshness bound.
  StatusFrame recent(int api, int errorCode) const {
    return controller_
               ? controller_->recentStatus(api, errorCode)
               : korvane::torqa::readStatusFrame(static_cast<int32_t>(handle_), api, errorCode);
  }

  // Shows a speed read on the controller's simulated device (on the robot, a load and a branch).
  void showSpeed(signed char motor, double rpm) const {
    if (controller_) controller_->showSpeed(motor, rpm);
  }

 private:
  const long handle_;
  const Controllers::Ref controller_;
};

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

// The motor's speed from its status frame; also shown on its simulated device when the frame was
// there.
double rpmOf(const Reads& reads, signed char motor, const StatusFrame& f) {
  const double rpm = unpackRpm(f.data.data());
  if (f.there()) reads.showSpeed(motor, rpm);
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

// The four target speeds, each from its frame as read() reads it; zeros for the frames missing.
template <class Read>
bool targetRpms(double* out, Read&& read) {
  if (out == nullptr) return false;
  bool all = true;
  for (signed char motor = 0; motor < 4; ++motor) {
    if (!tryDecode(read(targetRpmOutputID(motor)), &out[motor])) {
      out[motor] = 0.0;
      all = false;
    }
  }
  return all;
}

}  // namespace

int TorqaJNI::c_Torqa_getFrequency(long handle) {
  return frequencyOf(Reads(handle).latest(korvane::torqa::frames::kFrequencyApi, kFrequencyCode));
}

double TorqaJNI::c_Torqa_getControllerTemp(long handle) {
  return temperatureOf(
      Reads(handle).latest(korvane::torqa::frames::kTemperatureApi, kTemperatureCode));
}

double TorqaJNI::c_Torqa_getRPM(long handle, signed char motor) {
  const Reads reads(handle);
  return rpmOf(reads, motor, reads.latest(rpmOutputID(motor), rpmCode(motor)));
}

unsigned char TorqaJNI::c_Torqa_getLimitSwitch(long handle, signed char motor, bool selector) {
  if (!motorInRange(motor)) return 0;  // the frame has switches for motors 0..3 only
  return limitSwitchOf(
      Reads(handle).latest(korvane::torqa::frames::kLimitSwitchApi, kLimitSwitchCode), motor,
      selector);
}

double TorqaJNI::c_Torqa_getOrvixPosition(long handle, signed char motor) {
  if (!motorInRange(motor)) return 0.0;
  return orvixPositionOf(Reads(handle).latest(korvane::torqa::frames::kOrvixApi, kNoErrorText),
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
  StatusFrame f = Reads(handle).latest(encoderOutputID(motor), 1100 + frameMotor(motor));
  return encoderCountOf(f) * encoderDistPerTick[motor].load(std::memory_order_relaxed);
}

double TorqaJNI::c_Torqa_getEncoderRaw(long handle, signed char motor) {
  return static_cast<double>(
      encoderCountOf(Reads(handle).latest(encoderOutputID(motor), encoderCode(motor))));
}

double TorqaJNI::c_Torqa_getEncoderSpeed(long handle, signed char motor) {
  const Reads reads(handle);
  return rpmOf(reads, motor, reads.latest(rpmOutputID(motor), encoderSpeedCode(motor)));
}

int TorqaJNI::c_Torqa_getEncoderCount(long handle, signed char motor) {
  return encoderCountOf(Reads(handle).latest(encoderOutputID(motor), encoderCode(motor)));
}

bool TorqaJNI::c_Torqa_tryGetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  const Reads reads(handle);
  if (!tryDecode(reads.latest(rpmOutputID(motor), kNoErrorText), out)) return false;
  reads.showSpeed(motor, *out);
  return true;
}

bool TorqaJNI::c_Torqa_tryGetTargetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  if (!motorInRange(motor)) return false;
  return tryDecode(Reads(handle).latest(targetRpmOutputID(motor), kNoErrorText), out);
}

bool TorqaJNI::c_Torqa_getTargetRPMFromDevice(long handle, double* out) {
  const Reads reads(handle);
  return targetRpms(out, [&](int api) { return reads.latest(api, kNoErrorText); });
}

// The same readings from the recent frames.

int TorqaJNI::c_Torqa_getRecentFrequency(long handle) {
  return frequencyOf(Reads(handle).recent(korvane::torqa::frames::kFrequencyApi, kFrequencyCode));
}

double TorqaJNI::c_Torqa_getRecentControllerTemp(long handle) {
  return temperatureOf(
      Reads(handle).recent(korvane::torqa::frames::kTemperatureApi, kTemperatureCode));
}

double TorqaJNI::c_Torqa_getRecentRPM(long handle, signed char motor) {
  const Reads reads(handle);
  return rpmOf(reads, motor, reads.recent(rpmOutputID(motor), rpmCode(motor)));
}

double TorqaJNI::c_Torqa_getRecentEncoderSpeed(long handle, signed char motor) {
  const Reads reads(handle);
  return rpmOf(reads, motor, reads.recent(rpmOutputID(motor), encoderSpeedCode(motor)));
}

int TorqaJNI::c_Torqa_getRecentEncoderCount(long handle, signed char motor) {
  return encoderCountOf(Reads(handle).recent(encoderOutputID(motor), encoderCode(motor)));
}

unsigned char TorqaJNI::c_Torqa_getRecentLimitSwitch(long handle, signed char motor,
                                                     bool selector) {
  if (!motorInRange(motor)) return 0;
  return limitSwitchOf(
      Reads(handle).recent(korvane::torqa::frames::kLimitSwitchApi, kLimitSwitchCode), motor,
      selector);
}

double TorqaJNI::c_Torqa_getRecentOrvixPosition(long handle, signed char motor) {
  if (!motorInRange(motor)) return 0.0;
  return orvixPositionOf(Reads(handle).recent(korvane::torqa::frames::kOrvixApi, kNoErrorText),
                         motor);
}

bool TorqaJNI::c_Torqa_tryGetRecentRPM(long handle, signed char motor, double* out) {
  if (out == nullptr) return false;
  const Reads reads(handle);
  if (!tryDecode(reads.recent(rpmOutputID(motor), kNoErrorText), out)) return false;
  reads.showSpeed(motor, *out);
  return true;
}

bool TorqaJNI::c_Torqa_tryGetRecentTargetRPM(long handle, signed char motor, double* out) {
  if (out == nullptr || !motorInRange(motor)) return false;
  return tryDecode(Reads(handle).recent(targetRpmOutputID(motor), kNoErrorText), out);
}

bool TorqaJNI::c_Torqa_getRecentTargetRPMs(long handle, double* out) {
  const Reads reads(handle);
  return targetRpms(out, [&](int api) { return reads.recent(api, kNoErrorText); });
}
