// The LiDAR driver: port set-up, the worker that reads and files scan packets, the singleton's
// operations and the filter configuration.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>

#include "LidarJNI.h"
#include "common/ConsoleLine.h"
#include "common/DeviceHealth.h"
#include "common/Guarded.h"
#include "common/HandleTable.h"
#include "common/MillisecondClock.h"
#include "lidar/LidarImpl.h"
#include "lidar/LidarSimDevice.h"
#include "port/ControllerSerialPorts.h"

using korvane::printLine;

namespace korvane::lidar {
namespace {

// The live driver object, found by every operation; pImpl owns it. Defined before pImpl, so that
// it outlives the object pImpl frees at unload.
HandleTable<LidarJNI::Impl, Population::OnePerProcess, 2> g_live;

}  // namespace
}  // namespace korvane::lidar

namespace {

using korvane::lidar::g_live;

std::mutex portMutex;
std::mutex filterMutex;
// Signalled under portMutex when scanning, the port's handle or a worker's running flag changes.
std::condition_variable portChanged;
// The port's state (guarded by portMutex, written only under it): 0 in m_portHandle whenever no
// handle is open; a handle open only while scanning; scanning without a handle while the port is
// lost (it hung up or failed), which the worker then opens again by itself. Each operation moves
// it from one such state to the next as a whole, so that calls from any threads in any order
// leave it as some order of those calls would.
// The port's openings are counted (under portMutex): the controller gives a port the same handle
// at every opening, so the handle alone does not tell a worker's opening from the next one.
uint64_t g_portOpening = 0;

constexpr int32_t kBaudRate = 115200;
constexpr double kReadTimeoutSeconds = 1.0;
// A read that comes back empty sooner than this is followed by a pause for the rest, so a port
// that fails at once costs at most 20 wakeups a second.
constexpr auto kShortestEmptyRead = std::chrono::milliseconds(50);
// A lost port is tried again this often (two wakeups a second while it is away).
constexpr auto kReopenPeriod = std::chrono::milliseconds(500);

// The LiDAR's health, one per process as the LiDAR is: a create starts it afresh for its port.
// Never destroyed: the worker may still report while the process exits.
korvane::DeviceHealth& health() {
  static auto* instance =
      new korvane::DeviceHealth("Lidar", "", LidarJNI::kSilenceMs, korvane::libraryMilliseconds);
  return *instance;
}

std::string portAbout(int port) {
  static const char* const kNames[] = {"on board", "expansion port", "USB1", "USB2"};
  std::string about = "HAL serial port " + std::to_string(port);
  if (port >= 0 && port <= 3) about += std::string(" (") + kNames[port] + ")";
  return about;
}

// The LiDAR on this port, from now on.
void healthFor(int port) {
  health().reopen("Lidar[" + std::to_string(port) + "]", portAbout(port));
}

// Opens the port; the handle, or 0 after the error line (unless quiet) and a count of the failure.
int32_t openPort(int port, bool quiet = false) {
  int32_t status = 0;
  int32_t handle = korvane::port::controller_serial::initialize(port, &status);
  if (status != 0) {
    if (!quiet) printLine(std::cerr, "Error initializing serial port: " + std::to_string(status));
    health().failed(korvane::FailedCall::Open, status);
    return 0;
  }
  health().opened();
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

// Puts the filter switches and cluster parameters back to their defaults, as a create does.
void resetFilterSettings() {
  std::lock_guard lock(filterMutex);
  LidarJNI::clusterFilterEnabled = false;
  LidarJNI::kalmanFilterEnabled = false;
  LidarJNI::movingAverageFilterEnabled = false;
  LidarJNI::medianFilterEnabled = false;
  LidarJNI::jitterFilterEnabled = false;
  LidarJNI::distanceThreshold = 50.0f;
  LidarJNI::minClusterSize = 5;
}

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
  publish();
  worker = std::thread(&Impl::ThreadMain, this);
}

LidarJNI::Impl::~Impl() {
  g_live.remove(korvane::addressHandle(this));
  running.store(false);
  wake();
  if (worker.joinable()) worker.join();
}

namespace {

// Under portMutex: the handle just opened is the port's, as its next opening.
void holdPortLocked(int32_t handle) {
  LidarJNI::m_portHandle.store(handle);
  ++g_portOpening;
}

// Under portMutex: the opening, if still the port's, is closed and the port counts as lost (the
// worker opens it again). False when stop or a create closed or replaced it meanwhile.
bool losePortLocked(uint64_t opening) {
  if (opening != g_portOpening || LidarJNI::m_portHandle.load() == 0 ||
      !LidarJNI::scanning.load()) {
    return false;
  }
  korvane::port::controller_serial::close(LidarJNI::m_portHandle.exchange(0));
  return true;
}

}  // namespace

void LidarJNI::Impl::ThreadMain() {
  korvane::port::controller_serial::configure(m_portHandle.load(), kBaudRate, kReadTimeoutSeconds);
  std::vector<uint8_t> buffer;
  buffer.reserve(kBufferCapacity);
  bool failing = false;      // a run of failed polls: one error line for it
  bool openFailing = false;  // a run of failed attempts to open the port again: one line
  uint64_t readFrom = 0;     // the opening the buffer's bytes came from
  // The port failed: it is closed, and opened again a reopen period later (sooner by a start).
  auto lose = [&](uint64_t opening, int32_t status, bool polling) {
    {
      std::unique_lock lock(portMutex);
      // An opening closed meanwhile by stop or replaced by create is not a failure of the port.
      if (!losePortLocked(opening)) return;
    }
    if (polling && !failing) {
      printLine(std::cerr, "Error getting serial bytes: " + std::to_string(status));
    }
    failing = true;
    health().failed(korvane::FailedCall::Receive, status);
    health().hungUp();
    std::unique_lock lock(portMutex);
    portChanged.wait_for(lock, kReopenPeriod, [&] {
      return !running.load() || !scanning.load() || m_portHandle.load() != 0;
    });
  };
  while (running.load()) {
    if (!scanning.load()) {
      std::unique_lock lock(portMutex);
      portChanged.wait(lock, [&] { return !running.load() || scanning.load(); });
      failing = false;  // a start begins a new run: its failures get their own line
      continue;
    }
    int32_t handle;
    uint64_t opening;
    {
      // Read under the port lock together with the running flag: a create that replaces this
      // worker stores its new port's handle and ends this worker in one step, so this worker never
      // reads (and waits out the timeout of) the port opened for the worker after it.
      std::unique_lock lock(portMutex);
      if (!running.load()) break;
      handle = m_portHandle.load();
      if (handle == 0 && scanning.load()) {
        // The port was lost: opened again as soon as it is back, tried every kReopenPeriod.
        handle = openPort(usbPort.load(), /*quiet=*/openFailing);
        openFailing = handle == 0;
        if (handle == 0) {
          portChanged.wait_for(lock, kReopenPeriod, [&] {
            return !running.load() || !scanning.load() || m_portHandle.load() != 0;
          });
          continue;
        }
        korvane::port::controller_serial::configure(handle, kBaudRate, kReadTimeoutSeconds);
        holdPortLocked(handle);
      }
      opening = g_portOpening;
    }
    if (opening != readFrom) buffer.clear();  // a part packet of an earlier opening's is none
    readFrom = opening;
    int32_t status = 0;
    const int32_t waiting = korvane::port::controller_serial::bytesReceived(handle, &status);
    // Any status fails the poll: the roboRIO's HAL reports a handle error negative and the tty's
    // own failure (an unplugged USB port's EIO) as errno, positive.
    if (status != 0) {
      lose(opening, status, /*polling=*/true);
      continue;
    }
    // With nothing waiting, one byte is asked for: the read returns as soon as one arrives, or
    // after the port's timeout.
    const size_t room = kBufferCapacity - buffer.size();
    const size_t want = waiting > 0 ? std::min(static_cast<size_t>(waiting), room) : 1;
    const size_t kept = buffer.size();
    buffer.resize(kept + want);
    const auto asked = std::chrono::steady_clock::now();
    int32_t got = korvane::port::controller_serial::read(
        handle, reinterpret_cast<char*>(buffer.data() + kept), static_cast<int32_t>(want), &status);
    got = std::clamp<int32_t>(got, 0, static_cast<int32_t>(want));
    buffer.resize(kept + static_cast<size_t>(got));
    if (status != 0 && got == 0) {
      lose(opening, status, /*polling=*/false);
      continue;
    }
    if (got == 0) {
      health().check();  // silent for the read's whole timeout, perhaps: told once
      auto elapsed = std::chrono::steady_clock::now() - asked;
      if (elapsed < kShortestEmptyRead) {
        pauseUnlessStopped(running, std::chrono::duration_cast<std::chrono::milliseconds>(
                                        kShortestEmptyRead - elapsed));
      }
      continue;
    }
    failing = false;
    consume(buffer);
  }
}

void LidarJNI::Impl::consume(std::vector<uint8_t>& buffer) {
  size_t position = 0;
  bool filed = false;
  while (true) {
    korvane::lidar::Cut cut =
        korvane::lidar::findPacket(buffer.data() + position, buffer.size() - position);
    position += cut.start;
    if (cut.length == 0) break;
    points_.clear();
    korvane::lidar::decodePacket(buffer.data() + position, cut.length, limits, points_);
    filed = filed || !points_.empty();
    file(points_);
    position += cut.length;
  }
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(position));
  if (filed) publish();
}

void LidarJNI::Impl::publish() {
  TableTime time;
  if (newestPoint) {
    time.anyPoint = true;
    time.newestPointMs = korvane::libraryMillisecondsAt(*newestPoint);
  }
  published.publish(time, kSlots, [this](size_t k) { return DataPoint{angles[k], distances[k]}; });
}

void LidarJNI::Impl::file(const std::vector<DataPoint>& points) {
  if (points.empty()) return;
  const auto now = std::chrono::steady_clock::now();
  // The health hears the stamp the table is published with: both give the same data age.
  health().heard(korvane::libraryMillisecondsAt(now));
  korvane::lidar::FilterSwitches on;
  on.cluster = clusterFilterEnabled.load();
  on.kalman = kalmanFilterEnabled.load();
  on.movingAverage = movingAverageFilterEnabled.load();
  on.median = medianFilterEnabled.load();
  on.jitter = jitterFilterEnabled.load();
  // What a simulation shows of the table, taken with it and shown once its locks are let go.
  std::optional<korvane::lidar::simdevice::TableSummary> summary;
  if (!on.any()) {
    newestPoint = now;
    for (const DataPoint& point : points) {
      int k = korvane::lidar::slotOf(point.angle);
      angles[k] = point.angle;
      distances[k] = point.distance;
    }
    if (korvane::lidar::simdevice::shown())
      summary = korvane::lidar::simdevice::summarize(distances);
  } else {
    std::lock_guard configuration(filterMutex);
    filters.distanceThreshold = distanceThreshold;
    filters.minClusterSize = minClusterSize;
    newestPoint = now;
    for (const DataPoint& point : points) {
      float v = korvane::lidar::filterPoint(point, on, filters);
      int k = korvane::lidar::slotOf(point.angle);
      angles[k] = point.angle;
      distances[k] = v;
    }
    if (korvane::lidar::simdevice::shown())
      summary = korvane::lidar::simdevice::summarize(distances);
  }
  if (summary) korvane::lidar::simdevice::show(*summary);
}

namespace {

// Under portMutex: closes the open handle, if any. The worker may still be in a read of it; the
// close ends that read, and the worker finds the handle no longer current.
void closeCurrentPort() {
  const int32_t handle = LidarJNI::m_portHandle.exchange(0);
  if (handle != 0) korvane::port::controller_serial::close(handle);
}

// Under portMutex: the live driver object gives way to `fresh`, in the table (once the calls that
// found the one before have returned) and in pImpl; the one it replaced is returned, told to end,
// for the caller to join once it has let go of the lock.
std::unique_ptr<LidarJNI::Impl> installDriverObject(std::unique_ptr<LidarJNI::Impl> fresh) {
  LidarJNI::Impl* replaced = nullptr;
  g_live.add(korvane::addressHandle(fresh.get()), fresh.get(), &replaced);
  if (replaced != nullptr) replaced->running.store(false);
  LidarJNI::pImpl.swap(fresh);
  return fresh;  // the object pImpl owned, which is the one the table handed back
}

// Under portMutex, with the port open and scanning set: a new driver object and its worker take
// over, and the one they replace is returned for the caller to join once it has let go of the
// lock. A worker that cannot start leaves the port closed and the LiDAR stopped.
std::unique_ptr<LidarJNI::Impl> startWorker() {
  std::unique_ptr<LidarJNI::Impl> fresh = korvane::guarded(
      [] { return std::make_unique<LidarJNI::Impl>(); },
      [](const std::exception& e) {
        printLine(std::cerr, std::string("Error starting the LiDAR worker: ") + e.what());
        closeCurrentPort();
        LidarJNI::scanning.store(false);
        return std::unique_ptr<LidarJNI::Impl>();
      });
  if (!fresh) return nullptr;
  return installDriverObject(std::move(fresh));
}

}  // namespace

void LidarJNI::c_Lidar_create(int port) {
  std::unique_ptr<Impl> replaced;
  {
    std::lock_guard lock(portMutex);
    const bool lidarExists = static_cast<bool>(g_live.only());
    // One handle per port at most: the port a LiDAR holds is given up before any other is
    // opened, as a controller that allows one handle per port requires. A lost port counts as
    // held: the LiDAR goes back to it.
    const bool wasOpen = m_portHandle.load() != 0 || (lidarExists && scanning.load());
    const int previousPort = usbPort.load();
    closeCurrentPort();
    healthFor(port);
    int32_t handle = openPort(port);
    if (handle == 0) {
      if (!lidarExists) {
        // Nothing to go back to: a later start opens this port and starts the worker.
        usbPort.store(port);
        scanning.store(false);
        health().expectData(false);
        resetFilterSettings();
      } else {
        // A port that does not open leaves a LiDAR opened before reading its own port again
        // (with its settings; and stopped if it was, so that start still reopens it). When its
        // own port does not open either, it counts as lost: the worker keeps trying.
        healthFor(previousPort);
        health().expectData(scanning.load());
        // Its table keeps its points, and its health their time: both tell the same data age.
        LidarJNI::Impl::TableTime time;
        if (auto live = g_live.only(); live && live->published.read(time) && time.anyPoint) {
          health().heard(time.newestPointMs);
        }
        if (wasOpen) {
          handle = openPort(previousPort);
          if (handle != 0) {
            korvane::port::controller_serial::configure(handle, kBaudRate, kReadTimeoutSeconds);
            holdPortLocked(handle);
          }
        }
      }
      korvane::lidar::simdevice::opened(usbPort.load());
      portChanged.notify_all();
      return;
    }
    usbPort.store(port);
    holdPortLocked(handle);
    scanning.store(true);
    health().expectData(true);
    resetFilterSettings();
    replaced = startWorker();
    korvane::lidar::simdevice::opened(port);
    portChanged.notify_all();
  }
  replaced.reset();  // joins its worker, outside the lock the worker may wait on
}

// The driver object lives on; only the simulated device goes.
void LidarJNI::c_Lidar_destroy() {
  korvane::lidar::simdevice::closed();
}

void LidarJNI::c_Lidar_start() {
  std::unique_ptr<Impl> replaced;
  {
    std::lock_guard lock(portMutex);
    if (scanning.load()) {
      // A port that was lost (the worker is trying to open it again) or a LiDAR that fell silent
      // is opened afresh now; one that scans is left alone.
      if (m_portHandle.load() != 0 && !health().silent()) {
        printLine(std::cerr, "Lidar sensor is already scanning");
        return;
      }
      closeCurrentPort();
      const int32_t handle = openPort(usbPort.load());
      if (handle == 0) return;  // still lost: the worker keeps trying, as does a later start
      korvane::port::controller_serial::configure(handle, kBaudRate, kReadTimeoutSeconds);
      holdPortLocked(handle);
      health().expectData(true);
      portChanged.notify_all();
      return;
    }
    const int32_t handle = openPort(usbPort.load());
    if (handle == 0) return;  // still stopped: a later start tries again
    korvane::port::controller_serial::configure(handle, kBaudRate, kReadTimeoutSeconds);
    holdPortLocked(handle);
    scanning.store(true);
    health().expectData(true);
    // The first create could not open its port: the worker starts with the port.
    if (!g_live.only()) replaced = startWorker();
    portChanged.notify_all();
  }
  replaced.reset();
}

void LidarJNI::c_Lidar_stop() {
  std::lock_guard lock(portMutex);
  scanning.store(false);
  health().expectData(false);
  closeCurrentPort();
  portChanged.notify_all();
}

bool LidarJNI::c_Lidar_isConnected() {
  return health().connected();
}

DeviceFaults LidarJNI::c_Lidar_getFaults() {
  return health().record();
}

namespace {

// One copy of the live object's published table (slot k: angle k and -1.0 without one) into the
// two arrays of 360, unless they are null; the age in milliseconds of its newest point at the time
// of the copy, -1 when it has none. The age is counted as the LiDAR's health counts it, from the
// same stamp.
int64_t copyTable(float* angles, float* distances) {
  LidarJNI::Impl::TableTime time;
  size_t count = 0;
  const size_t room = angles != nullptr && distances != nullptr ? LidarJNI::kSlots : 0;
  auto live = g_live.only();
  const bool copied = live && live->published.read(time, room, count,
                                                   [&](size_t k, const LidarJNI::DataPoint& point) {
                                                     angles[k] = point.angle;
                                                     distances[k] = point.distance;
                                                   });
  if (!copied) {
    for (size_t k = 0; k < room; ++k) {
      angles[k] = static_cast<float>(k);
      distances[k] = -1.0f;
    }
    return -1;
  }
  if (!time.anyPoint) return -1;
  return std::max(0,
                  korvane::millisecondsBetween(time.newestPointMs, korvane::libraryMilliseconds()));
}

}  // namespace

std::array<float, 2 * LidarJNI::kSlots> LidarJNI::c_Lidar_getData() {
  std::array<float, 2 * kSlots> data;
  copyTable(data.data(), data.data() + kSlots);
  return data;
}

int64_t LidarJNI::c_Lidar_getDataAgeMs() {
  return copyTable(nullptr, nullptr);
}

int64_t LidarJNI::c_Lidar_readData(float* angles, float* distances) {
  return copyTable(angles, distances);
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
  if (!korvane::lidar::usableKalmanConfig(q, r, p)) return;
  auto live = g_live.only();
  if (!live) return;
  std::lock_guard lock(filterMutex);
  live->filters.kalman = korvane::lidar::KalmanConfig{q, r, p};
  live->filters.estimates.fill({});
}

void LidarJNI::c_Lidar_movingAverageConfig(int window) {
  auto live = g_live.only();
  if (!live) return;
  std::lock_guard lock(filterMutex);
  live->filters.movingAverageWindow = window;
}

void LidarJNI::c_Lidar_medianConfig(int window) {
  auto live = g_live.only();
  if (!live) return;
  std::lock_guard lock(filterMutex);
  live->filters.medianWindow = window;
}

void LidarJNI::c_Lidar_jitterConfig(float threshold) {
  auto live = g_live.only();
  if (!live) return;
  std::lock_guard lock(filterMutex);
  live->filters.jitterThreshold = threshold;
}
