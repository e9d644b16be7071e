// korvane::Lidar, the LiDAR of the C++ API: its calls are its opening's (lidar/LidarOpenings.h),
// which hold the opening while they act on the driver, so a replaced or closed object acts on
// nothing.

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
  lidar::start(handle_.Get());
}

void Lidar::Stop() {
  lidar::stop(handle_.Get());
}

bool Lidar::GetData(ScanData& into) {
  const std::optional<int64_t> age =
      lidar::readData(handle_.Get(), into.angle.data(), into.distance.data());
  if (!age) return false;
  into.ageMs = *age;
  return true;
}

std::optional<Lidar::ScanData> Lidar::GetData() {
  return orOnThrow(std::optional<ScanData>(), [&] {
    std::optional<ScanData> data(std::in_place);
    if (!GetData(*data)) data.reset();
    return data;
  });
}

bool Lidar::IsConnected() {
  return lidar::isConnected(handle_.Get());
}

int64_t Lidar::GetDataAgeMs() {
  return lidar::dataAgeMs(handle_.Get());
}

DeviceFaults Lidar::GetFaults() {
  return lidar::faults(handle_.Get()).value_or(DeviceFaults{});
}

void Lidar::EnableFilter(Filter filter, bool enable) {
  lidar::enableFilter(handle_.Get(), static_cast<int>(filter), enable);
}

void Lidar::ClusterConfig(float distanceThreshold, int minClusterSize) {
  lidar::clusterConfig(handle_.Get(), distanceThreshold, minClusterSize);
}

void Lidar::KalmanConfig(float q, float r, float p) {
  lidar::kalmanConfig(handle_.Get(), q, r, p);
}

void Lidar::MovingAverageConfig(int window) {
  lidar::movingAverageConfig(handle_.Get(), window);
}

void Lidar::MedianConfig(int window) {
  lidar::medianConfig(handle_.Get(), window);
}

void Lidar::JitterConfig(float threshold) {
  lidar::jitterConfig(handle_.Get(), threshold);
}

}  // namespace korvane
