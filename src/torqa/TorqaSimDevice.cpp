#include "torqa/TorqaSimDevice.h"

#include <array>
#include <atomic>
#include <mutex>

#include "TorqaJNI.h"
#include "common/SimulatedDevice.h"

namespace {

constexpr int kMotors = 4;
constexpr int kDeviceNumbers = 64;  // 1..63; entry 0 (an unregistered handle) is never shown

struct Shown {
  int32_t owner = 0;  // the handle that opened the device
  korvane::SimulatedDevice device;
  std::array<korvane::SimDoubleOutput, kMotors> outputs;
  std::array<korvane::SimDoubleOutput, kMotors> rpms;
  korvane::SimBoolOutput enabled;
};

constexpr const char* kOutputNames[kMotors] = {"Output 0", "Output 1", "Output 2", "Output 3"};
constexpr const char* kRpmNames[kMotors] = {"RPM 0", "RPM 1", "RPM 2", "RPM 3"};

std::mutex s_openClose;
// Never destroyed: heartbeat threads, which update it, are joined at unload by another file's
// static, in no order relative to this one.
std::array<Shown, kDeviceNumbers>& s_shown = *new std::array<Shown, kDeviceNumbers>();
std::atomic<int> s_shownCount{0};

Shown* entry(int deviceID, int motor = 0) {
  if (deviceID <= 0 || deviceID >= kDeviceNumbers || motor < 0 || motor >= kMotors) return nullptr;
  return &s_shown[static_cast<size_t>(deviceID)];
}

}  // namespace

namespace torqa_simdevice {

void opened(int32_t handle, int deviceID) {
  Shown* shown = entry(deviceID);
  if (shown == nullptr) return;
  std::lock_guard lock(s_openClose);
  if (shown->device) return;
  if (!shown->device.open("Torqa", deviceID)) return;
  shown->owner = handle;
  for (int m = 0; m < kMotors; ++m) {
    shown->device.add(shown->outputs[m], kOutputNames[m], 0.0);
    shown->device.add(shown->rpms[m], kRpmNames[m], 0.0);
  }
  shown->device.add(shown->enabled, "Enabled", false);
  s_shownCount.fetch_add(1, std::memory_order_relaxed);
}

void closed(int32_t handle) {
  std::lock_guard lock(s_openClose);
  for (Shown& shown : s_shown) {
    if (!shown.device || shown.owner != handle) continue;
    shown.device.close();
    shown.owner = 0;
    s_shownCount.fetch_sub(1, std::memory_order_relaxed);
  }
}

void output(int deviceID, int motor, double value) {
  if (Shown* shown = entry(deviceID, motor)) shown->outputs[static_cast<size_t>(motor)].set(value);
}

void enabled(int deviceID, bool value) {
  if (Shown* shown = entry(deviceID)) shown->enabled.set(value);
}

void speed(long handle, int motor, double rpm) {
  if (s_shownCount.load(std::memory_order_relaxed) == 0) return;
  if (Shown* shown = entry(DeviceIDForHandle(handle), motor)) {
    shown->rpms[static_cast<size_t>(motor)].set(rpm);
  }
}

}  // namespace torqa_simdevice
