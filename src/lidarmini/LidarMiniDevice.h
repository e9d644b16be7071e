#pragma once

// One open mini LiDAR: its port, its scanning worker (when scanning), its frequency record, its
// health and its simulated device, filed in the mini LiDARs' table (LidarMini.cpp) under its
// address, the handle of korvane::LidarMini and of the JNI exports. Its commands (start, stop,
// the frequency steps, the queries) take turns.
//
// Threading: every member may be called from any thread; data() and the health never wait and
// take no turn (the worker is swapped atomically and publishes each revolution for them to copy
// without a lock). Blocking as korvane::LidarMini states.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "DeviceFaults.h"
#include "LidarMiniJNI.h"
#include "common/DeviceHealth.h"
#include "common/HandleTable.h"
#include "common/SimulatedDevice.h"
#include "korvane/LidarMini.h"
#include "lidarmini/ScanWorker.h"

namespace korvane::lidarmini {

class Device final : public LidarMiniJNI {
 public:
  using Table = HandleTable<Device>;
  using DataPoint = LidarMini::DataPoint;
  using LidarInfo = LidarMini::LidarInfo;
  using LidarHealth = LidarMini::LidarHealth;
  using ScanData = LidarMini::ScanData;

  static Table& table();
  static int64_t handleOf(const Device* device) {
    return addressHandle(static_cast<const LidarMiniJNI*>(device));
  }
  static Table::Ref find(int64_t handle) { return table().find(handle); }
  // The handle of a newly opened device chosen by port among the USB serial devices where the
  // platform lists them (korvane::serial::deviceDirectory), or 0 (the reason printed).
  static int64_t open(int port);
  // Stops the worker (no stop command is sent), closes the port and frees the device once no call
  // holds it; nothing for a handle that is not open.
  static void close(int64_t handle);

  ~Device();

  void start();
  // Tells the device to stop, stops the worker and forgets its revolutions; runs in full even
  // when not scanning.
  void stop();
  void increaseFrequency(bool coarse) { changeFrequency(true, coarse); }
  void decreaseFrequency(bool coarse) { changeFrequency(false, coarse); }
  LidarInfo info();
  LidarHealth health();
  ScanData data() const;
  // The same revolution into the caller's arrays (see LidarMiniJNI::c_LidarMini_readData).
  size_t readData(float* angles, float* distances, float* intensities, size_t room,
                  int64_t* timestampNs, int64_t* ageMs) const;

  bool isConnected() { return health_->connected(); }
  int64_t dataAgeMs() const { return health_->dataAgeMs(); }
  DeviceFaults faults() { return health_->record(); }

  float frequency() const { return frequencyHz_.load(); }
  bool scanning() const { return scanning_.load(); }

 private:
  Device() = default;
  void changeFrequency(bool increase, bool coarse);
  void tearDownWorker();

  // Read and replaced with std::atomic_load / std::atomic_exchange only.
  std::shared_ptr<ScanWorker> worker_;
  int fd_ = -1;
  std::atomic<bool> scanning_{false};
  std::atomic<float> frequencyHz_{6.0f};
  std::mutex commands_;                   // one command at a time
  std::unique_ptr<DeviceHealth> health_;  // made by open, before anything uses it
  // The open device is shown as "LidarMini[<port>]" with the points of its last revolution.
  struct Shown {
    SimIntOutput pointsPerRevolution;
    SimulatedDevice device;  // after the value: closed before it goes
  } shown_;
};

}  // namespace korvane::lidarmini
