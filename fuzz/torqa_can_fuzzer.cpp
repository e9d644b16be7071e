// The motor controller's decoding: telemetry frames (frequency, Orvix position, encoders, RPM,
// limit switches, temperature, target RPM) read through the latest-frame table, and identity
// (the info record and the serial-number words). The simulated bus carries the input's frames;
// the controller's own calls decode them.

#include <cstdint>
#include <vector>

#include "FrameRecords.h"
#include "InstantSleep.h"
#include "TorqaJNI.h"
#include "korvane/sim/Can.h"
#include "torqa/TorqaFrames.h"

namespace {

namespace sim = korvane::sim;
constexpr int kDeviceId = 7;

uint32_t idFor(int api) {
  return (static_cast<uint32_t>(korvane::torqa::frames::kDeviceType) << 24) |
         (static_cast<uint32_t>(korvane::torqa::frames::kManufacturer) << 16) |
         (static_cast<uint32_t>(api) << 6) | kDeviceId;
}

std::vector<uint32_t> statusIds() {
  std::vector<uint32_t> ids;
  for (int api :
       {korvane::torqa::frames::kInfoRecordApi, korvane::torqa::frames::kSerialWordApi,
        korvane::torqa::frames::kSerialWordApi + 1, korvane::torqa::frames::kSerialWordApi + 2,
        korvane::torqa::frames::kFrequencyApi, korvane::torqa::frames::kOrvixApi,
        korvane::torqa::frames::kLimitSwitchApi, korvane::torqa::frames::kTemperatureApi}) {
    ids.push_back(idFor(api));
  }
  for (int k = 0; k < 4; ++k) {
    ids.push_back(idFor(korvane::torqa::frames::kEncoderApi + k));
    ids.push_back(idFor(korvane::torqa::frames::kRpmApi + k));
    ids.push_back(idFor(korvane::torqa::frames::kTargetRpmApi + k));
  }
  return ids;
}

// A controller opened afresh for every input: the identity is cached per controller, so every
// input's info record is decoded.
long freshController() {
  static long open = [] {
    skipSleepsOnThisThread();
    return 0L;
  }();
  if (open != 0) TorqaJNI::c_Torqa_destroy(open);
  open = TorqaJNI::c_Torqa_create(kDeviceId, 1000);
  return open;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint32_t> ids = statusIds();
  if (size < 1) return 0;
  const long handle = freshController();
  if (handle == 0) return 0;
  for (uint32_t id : ids) sim::injectFrame(id, nullptr, 0);  // nothing left from the last input
  for (const FuzzFrame& frame : readFrames(data + 1, size - 1, ids, 64)) {
    sim::injectFrame(frame.id, frame.data, frame.size);
  }
  const signed char motor = static_cast<signed char>(data[0] % 6) - 1;  // -1 and 4: out of range
  double out = 0.0;
  TorqaJNI::c_Torqa_getFrequency(handle);
  TorqaJNI::c_Torqa_getControllerTemp(handle);
  TorqaJNI::c_Torqa_getRPM(handle, motor);
  TorqaJNI::c_Torqa_getLimitSwitch(handle, motor, data[0] & 0x80);
  TorqaJNI::c_Torqa_getOrvixPosition(handle, motor);
  TorqaJNI::c_Torqa_getEncoderDistance(handle, motor);
  TorqaJNI::c_Torqa_getEncoderRaw(handle, motor);
  TorqaJNI::c_Torqa_getEncoderSpeed(handle, motor);
  TorqaJNI::c_Torqa_getEncoderCount(handle, motor);
  TorqaJNI::c_Torqa_tryGetRPM(handle, motor, &out);
  TorqaJNI::c_Torqa_tryGetTargetRPM(handle, motor, &out);
  double targets[4];
  TorqaJNI::c_Torqa_getTargetRPMFromDevice(handle, targets);
  TorqaJNI::c_Torqa_getID(handle);
  TorqaJNI::c_Torqa_getFirmwareVersion(handle);
  TorqaJNI::c_Torqa_getHardwareVersion(handle);
  TorqaJNI::c_Torqa_getSerialNumber(handle);
  sim::clearSentFrames();  // the log would grow, and be scanned for leaks, at every input
  return 0;
}
