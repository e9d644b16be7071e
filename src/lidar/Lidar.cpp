// The LiDAR driver: port set-up, the worker that reads and files scan packets, the singleton's
// operations and the filter configuration.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <mutex>

#include "LidarJNI.h"
#include "common/Sleep.h"
#include "hal/SerialPort.h"
#include "lidar/LidarImpl.h"

namespace {

std::mutex portMutex;
std::mutex scanDataMutex;
std::mutex filterMutex;
// Signalled under portMutex when scanning or a worker's running flag changes.
std::condition_variable portChanged;
// The handle stop closed, until a start or create opens the port again (guarded by portMutex). A
// worker still reading it when scanning resumes has not met a failing port: the port it should
// read is being opened.
int32_t handleClosedByStop = 0;

constexpr int32_t kBaudRate = 115200;
constexpr double kReadTimeoutSeconds = 1.0;
// A read that comes back empty sooner than this is followed by a pause for the rest, so a port
// that fails at once costs at most 20 wakeups a second.
constexpr auto kShortestEmptyRead = std::chrono::milliseconds(50);
constexpr auto kFailedPollPause = std::chrono::milliseconds(100);

void configurePort(int32_t handle) {
  int32_t status = 0;
  HAL_SetSerialBaudRate(handle, kBaudRate, &status);
  HAL_SetSerialDataBits(handle, 8, &status);
  HAL_SetSerialParity(handle, 0, &status);
  HAL_SetSerialStopBits(handle, 10, &status);
  HAL_SetSerialTimeout(handle, kReadTimeoutSeconds, &status);
  HAL_SetSerialWriteMode(handle, 1, &status);
  HAL_DisableSerialTermination(handle, &status);
}

// Opens the port; the handle, or 0 after the error line.
int32_t openPort(int port) {
  int32_t status = 0;
  int32_t handle = HAL_InitializeSerialPort(static_cast<HAL_SerialPort>(port), &status);
  if (status != 0) {
    std::cerr << "Error initializing serial port: " << status << "\n" << std::flush;
    return 0;
  }
  return handle;
}

// Waits up to `pause`, ending early when the worker is told to end or scanning stops.
void pauseUnlessStopped(const std::atomic<bool>& running, std::chrono::milliseconds pause) {
  std::unique_lock lock(portMutex);
  portChanged.wait_for(lock, pause, [&] { return !running.load() || !LidarJNI::scanning.load(); });
}

void wake() {
  { std::lock_guard lock(portMutex); }
  portChanged.notify_all();
}

// The filter switches and cluster parameters: create sets the defaults before it opens the port,
// and puts back the previous LiDAR's when the port does not open.
struct FilterSettings {
  bool cluster = false, kalman = false, movingAverage = false, median = false, jitter = false;
  float distanceThreshold = 50.0f;
  int minClusterSize = 5;

  static FilterSettings current() {
    std::lock_guard lock(filterMutex);
    return {LidarJNI::clusterFilterEnabled.load(),
            LidarJNI::kalmanFilterEnabled.load(),
            LidarJNI::movingAverageFilterEnabled.load(),
            LidarJNI::medianFilterEnabled.load(),
            LidarJNI::jitterFilterEnabled.load(),
            LidarJNI::distanceThreshold,
            LidarJNI::minClusterSize};
  }

  void apply() const {
    std::lock_guard lock(filterMutex);
    LidarJNI::clusterFilterEnabled = cluster;
    LidarJNI::kalmanFilterEnabled = kalman;
    LidarJNI::movingAverageFilterEnabled = movingAverage;
    LidarJNI::medianFilterEnabled = median;
    LidarJNI::jitterFilterEnabled = jitter;
    LidarJNI::distanceThreshold = distanceThreshold;
    LidarJNI::minClusterSize = minClusterSize;
  }
};

}  // namespace

std::atomic<int> LidarJNI::usbPort{0};
std::atomic<int32_t> LidarJNI::m_portHandle{0};
std::atomic<bool> LidarJNI::scanning{false};
std::atomic<bool> LidarJNI::clusterFilterEnabled{false};
std::atomic<bool> LidarJNI::kalmanFilterEnabled{false};
std::atomic<bool> LidarJNI::movingAverageFilterEnabled{false};
std::atomic<bool> LidarJNI::medianFilterEnabled{false};
std::atomic<bool> LidarJNI::jitterFilterEnabled{false};
float LidarJNI::distanceThreshold = 0.0f;
int LidarJNI::minClusterSize = 0;
// Defined after the locks it uses, so that it is destroyed (its worker joined) before them.
std::unique_ptr<LidarJNI::Impl> LidarJNI::pImpl;

LidarJNI::Impl::Impl() {
  for (int k = 0; k < kSlots; ++k) {
    angles[k] = static_cast<float>(k);
    distances[k] = limits.invalidDistance;
  }
  worker = std::thread(&Impl::ThreadMain, this);
}

LidarJNI::Impl::~Impl() {
  running.store(false);
  wake();
  if (worker.joinable()) worker.join();
}

void LidarJNI::Impl::ThreadMain() {
  configurePort(m_portHandle.load());
  std::vector<uint8_t> buffer;
  buffer.reserve(kBufferCapacity);
  bool failing = false;  // one error line per run of failed polls
  while (running.load()) {
    if (!scanning.load()) {
      std::unique_lock lock(portMutex);
      portChanged.wait(lock, [&] { return !running.load() || scanning.load(); });
      failing = false;  // a start begins a new run: its failures get their own line
      continue;
    }
    const int32_t handle = m_portHandle.load();
    int32_t status = 0;
    const int32_t waiting = HAL_GetSerialBytesReceived(handle, &status);
    if (status < 0) {
      // A handle replaced meanwhile by start, or closed by stop while start opens the next, is not
      // a failure of the port.
      const bool portFailed = [&] {
        std::lock_guard lock(portMutex);
        return handle == m_portHandle.load() && handle != handleClosedByStop && scanning.load();
      }();
      if (!failing && portFailed) {
        std::cerr << "Error getting serial bytes: " << status << "\n" << std::flush;
        failing = true;
      }
      pauseUnlessStopped(running, kFailedPollPause);
      continue;
    }
    failing = false;
    // With nothing waiting, one byte is asked for: the read returns as soon as one arrives, or
    // after the port's timeout.
    const size_t room = kBufferCapacity - buffer.size();
    const size_t want = waiting > 0 ? std::min(static_cast<size_t>(waiting), room) : 1;
    const size_t kept = buffer.size();
    buffer.resize(kept + want);
    const auto asked = std::chrono::steady_clock::now();
    int32_t got = HAL_ReadSerial(handle, reinterpret_cast<char*>(buffer.data() + kept),
                                 static_cast<int32_t>(want), &status);
    got = std::clamp<int32_t>(got, 0, static_cast<int32_t>(want));
    buffer.resize(kept + static_cast<size_t>(got));
    if (got == 0) {
      auto elapsed = std::chrono::steady_clock::now() - asked;
      if (elapsed < kShortestEmptyRead) {
        pauseUnlessStopped(running, std::chrono::duration_cast<std::chrono::milliseconds>(
                                        kShortestEmptyRead - elapsed));
      }
      continue;
    }
    consume(buffer);
  }
}

void LidarJNI::Impl::consume(std::vector<uint8_t>& buffer) {
  size_t position = 0;
  while (true) {
    lidar::Cut cut = lidar::findPacket(buffer.data() + position, buffer.size() - position);
    position += cut.start;
    if (cut.length == 0) break;
    points_.clear();
    lidar::decodePacket(buffer.data() + position, cut.length, limits, points_);
    file(points_);
    position += cut.length;
  }
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(position));
}

void LidarJNI::Impl::file(const std::vector<DataPoint>& points) {
  lidar::FilterSwitches on;
  on.cluster = clusterFilterEnabled.load();
  on.kalman = kalmanFilterEnabled.load();
  on.movingAverage = movingAverageFilterEnabled.load();
  on.median = medianFilterEnabled.load();
  on.jitter = jitterFilterEnabled.load();
  if (!on.any()) {
    std::lock_guard lock(scanDataMutex);
    for (const DataPoint& point : points) {
      int k = lidar::slotOf(point.angle);
      angles[k] = point.angle;
      distances[k] = point.distance;
    }
    return;
  }
  std::lock_guard configuration(filterMutex);
  filters.distanceThreshold = distanceThreshold;
  filters.minClusterSize = minClusterSize;
  std::lock_guard table(scanDataMutex);
  for (const DataPoint& point : points) {
    float v = lidar::filterPoint(point, on, filters);
    int k = lidar::slotOf(point.angle);
    angles[k] = point.angle;
    distances[k] = v;
  }
}

void LidarJNI::c_Lidar_create(int port) {
  const bool lidarExists = [] {
    std::lock_guard lock(filterMutex);
    return pImpl != nullptr;
  }();
  const int previousPort = usbPort.exchange(port);
  const bool wasScanning = scanning.exchange(true);
  const FilterSettings previousFilters = FilterSettings::current();
  FilterSettings{}.apply();
  int32_t handle;
  int32_t previous;
  {
    std::lock_guard lock(portMutex);
    handle = openPort(port);
    if (handle == 0) {
      // A port that does not open leaves a LiDAR opened before as it was: its port, its
      // settings, and stopped if it was, so that start still reopens it.
      if (lidarExists) {
        usbPort.store(previousPort);
        scanning.store(wasScanning);
        previousFilters.apply();
      }
      return;
    }
    previous = m_portHandle.exchange(handle);
    handleClosedByStop = 0;
  }
  std::unique_ptr<Impl> fresh;
  try {
    fresh = std::make_unique<Impl>();
  } catch (const std::exception& e) {
    std::cerr << "Error starting the LiDAR worker: " << e.what() << "\n" << std::flush;
    std::lock_guard lock(portMutex);
    m_portHandle.store(previous);
    HAL_CloseSerial(handle);
    return;
  }
  {
    std::lock_guard configuration(filterMutex);
    std::lock_guard table(scanDataMutex);
    pImpl.swap(fresh);
  }
  fresh.reset();  // stops, joins and frees the object it replaced
  if (previous != 0 && previous != handle) {
    HAL_CloseSerial(previous);  // already closed when stop closed it
  }
}

void LidarJNI::c_Lidar_destroy() {}

void LidarJNI::c_Lidar_start() {
  if (scanning.load()) {
    std::cerr << "Lidar sensor is already scanning\n" << std::flush;
    return;
  }
  scanning.store(true);
  korvane::sleepMilliseconds(1);
  int32_t handle;
  {
    std::lock_guard lock(portMutex);
    handle = openPort(usbPort.load());
    if (handle != 0) m_portHandle.store(handle);
    handleClosedByStop = 0;  // from here a failing poll is the port's
  }
  // Even when the port stayed closed the worker resumes: it reports the failing port once and
  // polls it slowly until a create opens another.
  if (handle != 0) configurePort(handle);
  wake();
}

void LidarJNI::c_Lidar_stop() {
  {
    std::lock_guard lock(portMutex);
    scanning.store(false);
    HAL_CloseSerial(m_portHandle.load());
    handleClosedByStop = m_portHandle.load();
  }
  portChanged.notify_all();
}

std::array<float, 2 * LidarJNI::kSlots> LidarJNI::c_Lidar_getData() {
  std::array<float, 2 * kSlots> data;
  std::lock_guard lock(scanDataMutex);
  for (int k = 0; k < kSlots; ++k) {
    data[k] = pImpl ? pImpl->angles[k] : static_cast<float>(k);
    data[kSlots + k] = pImpl ? pImpl->distances[k] : -1.0f;
  }
  return data;
}

void LidarJNI::c_Lidar_enableFilter(int filter, bool enable) {
  std::atomic<bool>* switches[] = {&clusterFilterEnabled, &kalmanFilterEnabled,
                                   &movingAverageFilterEnabled, &medianFilterEnabled,
                                   &jitterFilterEnabled};
  if (filter < 0 || filter > 4) return;
  std::lock_guard lock(filterMutex);
  for (int i = 0; i < 5; ++i) switches[i]->store(i == filter && enable);
}

void LidarJNI::c_Lidar_clusterConfig(float threshold, int minimum) {
  std::lock_guard lock(filterMutex);
  distanceThreshold = threshold;
  minClusterSize = minimum;
}

void LidarJNI::c_Lidar_kalmanConfig(float q, float r, float p) {
  if (!lidar::usableKalmanConfig(q, r, p)) return;
  std::lock_guard lock(filterMutex);
  if (!pImpl) return;
  pImpl->filters.kalman = lidar::KalmanState{q, r, p, 0.0f};
}

void LidarJNI::c_Lidar_movingAverageConfig(int window) {
  std::lock_guard lock(filterMutex);
  if (pImpl) pImpl->filters.movingAverageWindow = window;
}

void LidarJNI::c_Lidar_medianConfig(int window) {
  std::lock_guard lock(filterMutex);
  if (pImpl) pImpl->filters.medianWindow = window;
}

void LidarJNI::c_Lidar_jitterConfig(float threshold) {
  std::lock_guard lock(filterMutex);
  if (pImpl) pImpl->filters.jitterThreshold = threshold;
}
