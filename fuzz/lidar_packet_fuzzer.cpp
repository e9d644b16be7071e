// The LiDAR worker's packet path: bytes cut into reads as the port would deliver them, cut into
// packets, decoded and filed through whichever filter the input switches on (none, cluster,
// Kalman, moving average, median or jitter) with parameters taken from the input, as a robot
// program may set them; then the scan table a robot program reads.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Chunks.h"
#include "LidarJNI.h"
#include "PseudoTerminal.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarImpl.h"

struct LidarPacketProbe {
  static void feed(LidarJNI::Impl& impl, std::vector<uint8_t>& buffer) { impl.consume(buffer); }
};

namespace {

// The LiDAR, created once on a silent pseudo-terminal and stopped: its worker waits for a start,
// which never comes here, so only the fuzzer's calls touch the buffer. The configuration calls
// reach it as they reach any LiDAR.
LidarJNI::Impl& worker() {
  static LidarJNI::Impl* const live = [] {
    static korvane::test::PseudoTerminal terminal;
    if (!terminal.ok() || !korvane::sim::mapSerialPort(HAL_SerialPort_USB1, terminal.path())) {
      std::abort();
    }
    LidarJNI::c_Lidar_create(HAL_SerialPort_USB1);
    LidarJNI::c_Lidar_stop();
    if (!LidarJNI::pImpl) std::abort();
    return LidarJNI::pImpl.get();
  }();
  return *live;
}

float floatAt(const uint8_t* bytes) {
  float value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

int intAt(const uint8_t* bytes) {
  int value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// 1 selector byte and 7 parameters of 4 bytes.
constexpr size_t kSettingsSize = 1 + 7 * 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kSettingsSize) return 0;
  LidarJNI::Impl& impl = worker();
  const uint8_t* p = data + 1;
  const int filter = data[0] % 6 - 1;  // -1: every filter off
  if (filter < 0) {
    LidarJNI::c_Lidar_enableFilter(0, false);
  } else {
    LidarJNI::c_Lidar_enableFilter(filter, true);
  }
  // Fresh filter state for every input, so each run depends on its own input only.
  // (Histories are cleared in place: a new state would cost 360 allocations per input.)
  for (korvane::lidar::History& history : impl.filters.history) history.clear();
  impl.filters.kalman = korvane::lidar::KalmanConfig{};
  impl.filters.estimates.fill({});
  LidarJNI::c_Lidar_clusterConfig(floatAt(p), intAt(p + 4));
  LidarJNI::c_Lidar_kalmanConfig(floatAt(p + 8), floatAt(p + 12), floatAt(p + 16));
  LidarJNI::c_Lidar_movingAverageConfig(data[0] >> 3);
  LidarJNI::c_Lidar_medianConfig(intAt(p + 20));
  LidarJNI::c_Lidar_jitterConfig(floatAt(p + 24));

  std::vector<uint8_t> buffer;
  Chunks chunks(data + kSettingsSize - 1, size - kSettingsSize + 1);
  const uint8_t* chunk;
  size_t length;
  while (chunks.next(&chunk, &length)) {
    buffer.insert(buffer.end(), chunk, chunk + length);
    LidarPacketProbe::feed(impl, buffer);
  }
  LidarJNI::c_Lidar_getData();
  return 0;
}
