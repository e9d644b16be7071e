#include "lidar/LidarSimDevice.h"

#include <mutex>

#include "common/SimulatedDevice.h"

namespace {

struct Shown {
  korvane::SimIntOutput validSlots;
  korvane::SimDoubleOutput nearest;
  korvane::SimulatedDevice device;  // after the values: closed before they go
};

std::mutex s_openClose;
// Never destroyed: the worker, which updates it, is joined at unload by another file's static,
// in no order relative to this one.
Shown& s_shown = *new Shown();

}  // namespace

namespace korvane::lidar::simdevice {

void opened(int port) {
  std::lock_guard lock(s_openClose);
  if (!s_shown.device.open("Lidar", port)) return;
  s_shown.device.add(s_shown.validSlots, "Valid slots", 0);
  s_shown.device.add(s_shown.nearest, "Nearest (mm)", -1.0);
}

void closed() {
  std::lock_guard lock(s_openClose);
  s_shown.device.close();
}

bool shown() {
  return static_cast<bool>(s_shown.validSlots);
}

TableSummary summarize(const std::array<float, LidarJNI::kSlots>& distances) {
  TableSummary summary;
  for (float distance : distances) {
    if (!(distance >= 0.0f)) continue;  // -1.0 (nothing filed, or out of range) and NaN
    ++summary.validSlots;
    if (summary.nearest < 0.0 || distance < summary.nearest) summary.nearest = distance;
  }
  return summary;
}

void show(const TableSummary& summary) {
  s_shown.validSlots.set(summary.validSlots);
  s_shown.nearest.set(summary.nearest);
}

}  // namespace korvane::lidar::simdevice
