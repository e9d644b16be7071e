#include "lidar/LidarOpenings.h"

#include <memory>
#include <mutex>

#include "LidarJNI.h"
#include "common/OpenDevice.h"

namespace korvane::lidar {

namespace {

// Opens and closes, one at a time. A call holding an opening never takes it, so replacing an
// opening may wait for those calls while holding it.
std::mutex& opening() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

}  // namespace

Openings& openings() {
  static auto* table = new Openings;  // never destroyed: a late call still finds a table
  return *table;
}

int64_t open(int port) {
  std::lock_guard lock(opening());
  auto fresh = std::make_unique<Opening>();
  const int64_t handle = serialHandle();
  Opening* replaced = nullptr;
  openings().add(handle, fresh.get(), &replaced);  // waits for the replaced one's calls
  fresh.release();
  delete replaced;
  LidarJNI::c_Lidar_create(port);
  return handle;
}

void close(int64_t handle) {
  std::lock_guard lock(opening());
  std::unique_ptr<Opening> closing(openings().remove(handle));
  if (!closing) return;
  LidarJNI::c_Lidar_stop();
  LidarJNI::c_Lidar_destroy();
}

void start(int64_t handle) noexcept {
  onOpen(openings().find(handle), [](auto&) { LidarJNI::c_Lidar_start(); });
}

void stop(int64_t handle) noexcept {
  onOpen(openings().find(handle), [](auto&) { LidarJNI::c_Lidar_stop(); });
}

std::optional<int64_t> readData(int64_t handle, float* angles, float* distances) noexcept {
  return onOpen(openings().find(handle), std::optional<int64_t>(), [&](auto&) {
    return std::optional<int64_t>(LidarJNI::c_Lidar_readData(angles, distances));
  });
}

bool isConnected(int64_t handle) noexcept {
  return onOpen(openings().find(handle), false,
                [](auto&) { return LidarJNI::c_Lidar_isConnected(); });
}

int64_t dataAgeMs(int64_t handle) noexcept {
  return onOpen(openings().find(handle), int64_t{-1},
                [](auto&) { return LidarJNI::c_Lidar_getDataAgeMs(); });
}

std::optional<DeviceFaults> faults(int64_t handle) noexcept {
  return onOpen(openings().find(handle), std::optional<DeviceFaults>(),
                [](auto&) { return std::optional(LidarJNI::c_Lidar_getFaults()); });
}

void enableFilter(int64_t handle, int filter, bool enable) noexcept {
  onOpen(openings().find(handle), [&](auto&) { LidarJNI::c_Lidar_enableFilter(filter, enable); });
}

void clusterConfig(int64_t handle, float distanceThreshold, int minClusterSize) noexcept {
  onOpen(openings().find(handle),
         [&](auto&) { LidarJNI::c_Lidar_clusterConfig(distanceThreshold, minClusterSize); });
}

void kalmanConfig(int64_t handle, float q, float r, float p) noexcept {
  onOpen(openings().find(handle), [&](auto&) { LidarJNI::c_Lidar_kalmanConfig(q, r, p); });
}

void movingAverageConfig(int64_t handle, int window) noexcept {
  onOpen(openings().find(handle), [&](auto&) { LidarJNI::c_Lidar_movingAverageConfig(window); });
}

void medianConfig(int64_t handle, int window) noexcept {
  onOpen(openings().find(handle), [&](auto&) { LidarJNI::c_Lidar_medianConfig(window); });
}

void jitterConfig(int64_t handle, float threshold) noexcept {
  onOpen(openings().find(handle), [&](auto&) { LidarJNI::c_Lidar_jitterConfig(threshold); });
}

}  // namespace korvane::lidar
