// korvane::Lidar, the LiDAR of the C++ API: each call holds its opening (lidar/LidarOpenings.h)
// while it acts on the driver, so a replaced or closed object acts on nothing.

#include "LidarJNI.h"
#include "common/OpenDevice.h"
#include "korvane/Lidar.h"
#include "lidar/LidarOpenings.h"

namespace korvane {

namespace {

using lidar::openings;

static_assert(Lidar::kSlots == LidarJNI::kSlots);

}  // namespace

Lidar::Lidar(SerialPort port)
    : handle_(&Lidar::Destroy,
              orOnThrow(int64_t{0}, [&] { return lidar::open(static_cast<int>(port)); })) {}

void Lidar::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { lidar::close(handle); });
}

bool Lidar::IsOpen() const {
  return static_cast<bool>(openings().find(handle_.Get()));
}

void Lidar::Start() {
  onOpen(openings().find(handle_.Get()), [](auto&) { LidarJNI::c_Lidar_start(); });
}

void Lidar::Stop() {
  onOpen(openings().find(handle_.Get()), [](auto&) { LidarJNI::c_Lidar_stop(); });
}

bool Lidar::GetData(ScanData& into) {
  return onOpen(openings().find(handle_.Get()), false, [&](auto&) {
    into.ageMs = LidarJNI::c_Lidar_readData(into.angle.data(), into.distance.data());
    return true;
  });
}

std::optional<Lidar::ScanData> Lidar::GetData() {
  return orOnThrow(std::optional<ScanData>(), [&] {
    std::optional<ScanData> data(std::in_place);
    if (!GetData(*data)) data.reset();
    return data;
  });
}

bool Lidar::IsConnected() {
  return onOpen(openings().find(handle_.Get()), false,
                [](auto&) { return LidarJNI::c_Lidar_isConnected(); });
}

int64_t Lidar::GetDataAgeMs() {
  return onOpen(openings().find(handle_.Get()), int64_t{-1},
                [](auto&) { return LidarJNI::c_Lidar_getDataAgeMs(); });
}

DeviceFaults Lidar::GetFaults() {
  return onOpen(openings().find(handle_.Get()), DeviceFaults{},
                [](auto&) { return LidarJNI::c_Lidar_getFaults(); });
}

void Lidar::EnableFilter(Filter filter, bool enable) {
  onOpen(openings().find(handle_.Get()),
         [&](auto&) { LidarJNI::c_Lidar_enableFilter(static_cast<int>(filter), enable); });
}

void Lidar::ClusterConfig(float distanceThreshold, int minClusterSize) {
  onOpen(openings().find(handle_.Get()),
         [&](auto&) { LidarJNI::c_Lidar_clusterConfig(distanceThreshold, minClusterSize); });
}

void Lidar::KalmanConfig(float q, float r, float p) {
  onOpen(openings().find(handle_.Get()), [&](auto&) { LidarJNI::c_Lidar_kalmanConfig(q, r, p); });
}

void Lidar::MovingAverageConfig(int window) {
  onOpen(openings().find(handle_.Get()),
         [&](auto&) { LidarJNI::c_Lidar_movingAverageConfig(window); });
}

void Lidar::MedianConfig(int window) {
  onOpen(openings().find(handle_.Get()), [&](auto&) { LidarJNI::c_Lidar_medianConfig(window); });
}

void Lidar::JitterConfig(float threshold) {
  onOpen(openings().find(handle_.Get()), [&](auto&) { LidarJNI::c_Lidar_jitterConfig(threshold); });
}

}  // namespace korvane
