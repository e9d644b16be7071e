#pragma once

// The T-mini Plus mini LiDAR's driver class as the JNI exports call it: a thin facade over the
// device objects (korvane::LidarMini in korvane/LidarMini.h is the same device for C++ programs).
// Each LidarMiniJNI is the facade of one open device object, whose address is the handle. On a
// USB serial port (230400 baud): two-byte commands, the device info and health queries, and while
// scanning a worker thread that cuts the stream into scan packets, gathers each revolution's
// points and publishes a revolution when the next one begins.
//
// Threading:
// - create may run on any thread at any time. destroy may run while other calls run on the
//   object: it takes the device out of its table, waits for the calls that hold it (the exports'
//   calls do), stops and joins the worker, and frees it.
// - getData and readData may run on any thread, also while start or stop runs on another: the
//   worker is swapped atomically, and it publishes each revolution for them to copy without a
//   lock.
// - start, stop, the frequency commands, getInfo and getHealth of one device take turns, from any
//   number of threads.
//
// Blocking (every write gives up after kWriteDeadlineMs with a "[LidarMini] write error" line):
// - create: about 200 ms (the device is told to stop and its leftovers are dropped);
// - start: about 300 ms (it checks that bytes arrive); stop: the write plus joining the worker,
//   which notices stop at once;
// - increaseFrequency, decreaseFrequency: the write only, no reply is read;
// - getInfo, getHealth: up to kQueryTimeoutMs per read when not scanning; while scanning they
//   return zeros at once (the answer would be lost in the scan stream);
// - getData: never waits for the device.

#include <cstddef>
#include <cstdint>

#include "DeviceFaults.h"
#include "korvane/LidarMini.h"

namespace korvane::lidarmini {
class ScanWorker;
}

class LidarMiniJNI {
 public:
  using DataPoint = korvane::LidarMini::DataPoint;
  using LidarInfo = korvane::LidarMini::LidarInfo;
  using LidarHealth = korvane::LidarMini::LidarHealth;
  using ScanData = korvane::LidarMini::ScanData;

  static constexpr float kMinFrequencyHz = korvane::LidarMini::kMinFrequencyHz;
  static constexpr float kMaxFrequencyHz = korvane::LidarMini::kMaxFrequencyHz;
  static constexpr int kWriteDeadlineMs = korvane::LidarMini::kWriteDeadlineMs;
  static constexpr int kQueryTimeoutMs = korvane::LidarMini::kQueryTimeoutMs;
  static constexpr size_t kMaxRevolutionPoints = korvane::LidarMini::kMaxRevolutionPoints;

  // Opens the device chosen by port (the second USB serial device for port 3, else the first),
  // tells it to stop scanning and drops what it sent. Null when it cannot be opened (the reason
  // is printed).
  static LidarMiniJNI* c_LidarMini_create(int port);
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
  static constexpr uint32_t kSilenceMs = korvane::LidarMini::kSilenceMs;
  bool c_LidarMini_isConnected();
  int64_t c_LidarMini_getDataAgeMs();
  DeviceFaults c_LidarMini_getFaults();

  // The driver's record of the device's scan frequency (6 Hz at creation).
  float scanFrequency() const;
  bool isScanning() const;

  // The scanning worker.
  using Impl = korvane::lidarmini::ScanWorker;

  LidarMiniJNI(const LidarMiniJNI&) = delete;
  LidarMiniJNI& operator=(const LidarMiniJNI&) = delete;

 protected:
  LidarMiniJNI() = default;  // the facade of a device object only
  ~LidarMiniJNI() = default;
};
