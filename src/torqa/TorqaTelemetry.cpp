// The read side of the motor controller: the latest status frame of each kind, decoded, read
// through the HAL on every call or shared among the reads of one robot loop (the recent frames).
// Nothing is requested and nothing is waited for. Every read of an open controller also tells its
// health when the HAL received the frame (torqa/Controller.h).

#include <cstdint>

#include "TorqaFrames.h"
#include "common/LittleEndian.h"
#include "torqa/Operations.h"
#include "torqa/StatusFrames.h"

namespace korvane::torqa {

namespace {

// The status reads of one call on its target: an open controller reads its frames (keeping them
// and telling its health) and shows its speeds; a handle that is not open is read through the HAL
// alone, which fails the read. The clock is read once for all the reads of the call.
class Reads {
 public:
  Reads(const Target& of, Read read) : Reads(of, read, of ? RecentFrames::nanosecondsNow() : 0) {}
  Reads(const Target& of, Read read, int64_t nowNs) : of_(of), read_(read), nowNs_(nowNs) {}

  // The API's frame, read through the HAL now or shared with the other reads within the
  // freshness bound; all zeros when none was copied.
  StatusFrame frame(int api, int errorCode) const {
    Controller* controller = of_.controller();
    if (controller == nullptr) return readStatusFrame(of_.canHandle(), api, errorCode);
    return read_ == Read::kLatest ? controller->readStatus(api, errorCode, nowNs_)
                                  : controller->recentStatus(api, errorCode, nowNs_);
  }

  // Shows a speed read on the controller's simulated device (on the robot, a load and a branch).
  void showSpeed(signed char motor, double rpm) const {
    if (of_) of_.controller()->showSpeed(motor, rpm);
  }

 private:
  const Target& of_;
  const Read read_;
  const int64_t nowNs_;
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
  return frames::kEncoderApi + frameMotor(motor);
}

int rpmOutputID(signed char motor) {
  return frames::kRpmApi + frameMotor(motor);
}

int targetRpmOutputID(signed char motor) {
  return frames::kTargetRpmApi + frameMotor(motor);
}

double unpackRpm(const uint8_t* bytes) {
  return static_cast<double>(readI32(bytes)) / 100.0;
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

int rpmCode(signed char motor) {
  return 1017 + frameMotor(motor);
}

int encoderCode(signed char motor) {
  return 1104 + frameMotor(motor);
}

double rpmOf(const Reads& reads, signed char motor) {
  return rpmOf(reads, motor, reads.frame(rpmOutputID(motor), rpmCode(motor)));
}

int encoderCountOf(const Reads& reads, signed char motor) {
  return readI32(reads.frame(encoderOutputID(motor), encoderCode(motor)).data.data());
}

int encoderSpeedCode(signed char motor) {
  return 1108 + frameMotor(motor);
}

constexpr int kFrequencyCode = 1011;
constexpr int kTemperatureCode = 1015;
constexpr int kLimitSwitchCode = 1016;

}  // namespace

int frequency(const Target& of, Read read) {
  const StatusFrame f = Reads(of, read).frame(frames::kFrequencyApi, kFrequencyCode);
  return readU16(f.data.data());
}

double controllerTemp(const Target& of, Read read) {
  const StatusFrame f = Reads(of, read).frame(frames::kTemperatureApi, kTemperatureCode);
  return f.data[0] + f.data[1] / 100.0;
}

double rpm(const Target& of, signed char motor, Read read) {
  return rpmOf(Reads(of, read), motor);
}

double encoderSpeed(const Target& of, signed char motor, Read read) {
  const Reads reads(of, read);
  return rpmOf(reads, motor, reads.frame(rpmOutputID(motor), encoderSpeedCode(motor)));
}

unsigned char limitSwitch(const Target& of, signed char motor, bool selector, Read read) {
  if (!motorInRange(motor)) return 0;  // the frame has switches for motors 0..3 only
  const StatusFrame f = Reads(of, read).frame(frames::kLimitSwitchApi, kLimitSwitchCode);
  return f.data[2 * motor + (selector ? 1 : 0)];
}

double orvixPosition(const Target& of, signed char motor, Read read) {
  if (!motorInRange(motor)) return 0.0;
  const StatusFrame f = Reads(of, read).frame(frames::kOrvixApi, kNoErrorText);
  return (f.data[2 * motor] + 256 * f.data[2 * motor + 1]) / 100.0;
}

int encoderCount(const Target& of, signed char motor, Read read) {
  return encoderCountOf(Reads(of, read), motor);
}

double encoderDistance(const Target& of, signed char motor, double distancePerTick, Read read) {
  if (!motorInRange(motor)) return 0.0;  // there is a scale for channels 0..3 only
  const StatusFrame f = Reads(of, read).frame(encoderOutputID(motor), 1100 + frameMotor(motor));
  return readI32(f.data.data()) * distancePerTick;
}

bool tryRpm(const Target& of, signed char motor, double* out, Read read) {
  if (out == nullptr) return false;
  const Reads reads(of, read);
  if (!tryDecode(reads.frame(rpmOutputID(motor), kNoErrorText), out)) return false;
  reads.showSpeed(motor, *out);
  return true;
}

bool tryTargetRpm(const Target& of, signed char motor, double* out, Read read) {
  if (out == nullptr || !motorInRange(motor)) return false;
  return tryDecode(Reads(of, read).frame(targetRpmOutputID(motor), kNoErrorText), out);
}

// The four target speeds, each from its frame; zeros for the frames missing.
bool targetRpms(const Target& of, double* out, Read read) {
  if (out == nullptr) return false;
  const Reads reads(of, read);
  bool all = true;
  for (signed char motor = 0; motor < 4; ++motor) {
    if (!tryDecode(reads.frame(targetRpmOutputID(motor), kNoErrorText), &out[motor])) {
      out[motor] = 0.0;
      all = false;
    }
  }
  return all;
}

bool motorTelemetry(const Target& of, double* rpms, int32_t* counts) {
  Controller* controller = of.controller();
  if (controller == nullptr) return false;
  const int64_t now = RecentFrames::nanosecondsNow();
  const Reads reads(of, controller->collectNow(now) ? Read::kRecent : Read::kLatest, now);
  for (signed char motor = 0; motor < Controller::kMotors; ++motor) {
    rpms[motor] = rpmOf(reads, motor);
    counts[motor] = encoderCountOf(reads, motor);
  }
  return true;
}

}  // namespace korvane::torqa
