#pragma once

// The T-mini Plus mini LiDAR on a USB serial port (230400 baud): two-byte commands, the device
// info and health queries, and while scanning a worker thread that cuts the stream into scan
// packets, gathers each revolution's points and publishes a revolution when the next one begins.
//
// Threading:
// - create may run on any thread at any time; destroy must not run concurrently with any other
//   call on the same object. It stops and joins the worker before the object is freed.
// - getData may run on any thread, also while start or stop runs on another: the worker is
//   swapped atomically, and it publishes each revolution for getData to copy without a lock.
// - start, stop, the frequency commands, getInfo and getHealth must be issued one at a time per
//   object.
//
// Blocking (every write gives up after kWriteDeadlineMs with a "[LidarMini] write error" line):
// - create: about 200 ms (the device is told to stop and its leftovers are dropped);
// - start: about 300 ms (it checks that bytes arrive); stop: the write plus joining the worker,
//   which notices stop at once;
// - increaseFrequency, decreaseFrequency: the write only, no reply is read;
// - getInfo, getHealth: up to kQueryTimeoutMs per read when not scanning; while scanning they
//   return zeros at once (the answer would be lost in the scan stream);
// - getData: never waits for the device.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DeviceFaults.h"
#include "common/SimulatedDevice.h"

namespace korvane {
class DeviceHealth;
}

class LidarMiniJNI {
 public:
  // One sample: angle in degrees [0, 360), distance in metres (-1 for an invalid sample) and
  // intensity 0..255.
  struct DataPoint {
    float angle = 0.0f;
    float distance = 0.0f;
    float intensity = 0.0f;
  };

  // The device-info answer; all zero when the query failed.
  struct LidarInfo {
    uint8_t model = 0;
    uint16_t firmwareVersion = 0;
    uint8_t hardwareVersion = 0;
    uint8_t serialNumber[16] = {};
  };

  // The health answer; both zero when the query failed.
  struct LidarHealth {
    uint8_t status = 0;
    uint16_t errorCode = 0;
  };

  // The last complete revolution: the time its start packet was decoded (nanoseconds of the
  // monotonic clock, 0 when there is none) and its points in arrival order.
  struct ScanData {
    int64_t timestampNs = 0;
    std::vector<DataPoint> points;
  };

  static constexpr float kMinFrequencyHz = 6.0f;
  static constexpr float kMaxFrequencyHz = 12.0f;
  static constexpr int kWriteDeadlineMs = 1000;
  static constexpr int kQueryTimeoutMs = 2000;
  // A revolution that grows past this many points without a start packet is dropped and
  // gathering waits for the next start packet.
  static constexpr size_t kMaxRevolutionPoints = 20000;

  // Opens the device chosen by port (the second USB serial device for port 3, else the first),
  // tells it to stop scanning and drops what it sent. Null when it cannot be opened (the reason
  // is printed).
  static LidarMiniJNI* c_LidarMini_create(int port);
  // The same, choosing among the ttyACM*/ttyUSB* entries of deviceDirectory instead of the
  // platform's device directory.
  static LidarMiniJNI* createIn(const std::string& deviceDirectory, int port);
  // Stops the worker (no stop command is sent), closes the port, frees the object; null is
  // ignored.
  static void c_LidarMini_destroy(LidarMiniJNI* lidar);

  void c_LidarMini_start();
  // Tells the device to stop, stops the worker and forgets its revolutions; runs in full even
  // when not scanning.
  void c_LidarMini_stop();
  // One step of 1 Hz (coarse) or 0.1 Hz within kMinFrequencyHz..kMaxFrequencyHz; a step past the
  // limit is refused with a line and nothing is sent.
  void c_LidarMini_increaseFrequency(bool coarse);
  void c_LidarMini_decreaseFrequency(bool coarse);
  LidarInfo c_LidarMini_getInfo();
  LidarHealth c_LidarMini_getHealth();
  // The last complete revolution; time 0 and no points while there is none or not scanning.
  ScanData c_LidarMini_getData();
  // The same revolution into the caller's arrays: its first min(n, room) points' angles,
  // distances and intensities, and its time; n, its number of points.
  // ageMs receives the revolution's age: milliseconds since the bytes of its last packet arrived,
  // counted as c_LidarMini_getDataAgeMs counts the newest bytes (-1 while there is none).
  size_t c_LidarMini_readData(float* angles, float* distances, float* intensities, size_t room,
                              int64_t* timestampNs, int64_t* ageMs);

  // Health: whether the device is heard from (bytes within kSilenceMs, three revolutions at its
  // slowest 6 Hz, and its port has not hung up), the age of its newest bytes in milliseconds (-1
  // before any) and its failed calls. It streams only while scanning: stopped, it is heard from
  // only by its answers to getInfo and getHealth, and falls silent without a report. A change of
  // health while scanning (silence, a hang-up, bytes again) is reported to the driver station
  // once, by the worker as it happens. Never wait.
  static constexpr uint32_t kSilenceMs = 500;
  bool c_LidarMini_isConnected();
  int64_t c_LidarMini_getDataAgeMs();
  DeviceFaults c_LidarMini_getFaults();

  // The driver's record of the device's scan frequency (6 Hz at creation).
  float scanFrequency() const { return frequencyHz; }
  bool isScanning() const { return scanning.load(); }

  // The scanning worker.
  class Impl;

  ~LidarMiniJNI();
  LidarMiniJNI(const LidarMiniJNI&) = delete;
  LidarMiniJNI& operator=(const LidarMiniJNI&) = delete;

 private:
  LidarMiniJNI() = default;
  void changeFrequency(bool increase, bool coarse);
  void tearDownWorker();

  // Read and replaced with std::atomic_load / std::atomic_exchange only.
  std::shared_ptr<Impl> worker;
  int fd = -1;
  std::atomic<bool> scanning{false};
  float frequencyHz = 6.0f;
  std::mutex portMutex;
  std::unique_ptr<korvane::DeviceHealth> health;  // made by create, before anything uses it
  // The open device is shown as "LidarMini[<port>]" with the points of its last revolution.
  struct Shown {
    korvane::SimIntOutput pointsPerRevolution;
    korvane::SimulatedDevice device;  // after the value: closed before it goes
  } shown;
};
