#include <chrono>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <mutex>
#include <vector>

#include "Torqa.h"
#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "TorqaRegistry.h"
#include "TorqaSimDevice.h"
#include "common/ConsoleLine.h"
#include "common/LittleEndian.h"
#include "hal/CANAPI.h"
#include "hal/HALBase.h"

std::atomic<bool> TorqaJNI::stop{false};

namespace {

void report(int code) {
  korvane::printLine(std::cout, Torqa::getErrorMessage(code));
}

// Every heartbeat thread started since the last destroy. Destroy raises the stop flag and joins
// them all, so none outlives it or hears the flag cleared by a later create; library unload does
// the same. A create and a destroy never interleave here: between the raise and the last join no
// create can clear the flag. Between beats a thread waits on a condition that the raise
// notifies, so destroy does not wait out the rest of a period.
class HeartbeatThreads {
 public:
  ~HeartbeatThreads() { stopAll(); }

  // Throws what starting a thread throws; no thread is then added.
  void start(long handle, int deviceID) {
    std::lock_guard lock(mutex_);
    threads_.reserve(threads_.size() + 1);
    TorqaJNI::stop.store(false);
    threads_.emplace_back(&HeartbeatThreads::beat, this, handle, deviceID);
  }

  void stopAll() {
    std::lock_guard lock(mutex_);
    {
      std::lock_guard pauseLock(pauseMutex_);
      TorqaJNI::stop.store(true);
    }
    stopped_.notify_all();
    for (std::thread& thread : threads_) {
      if (thread.joinable()) thread.join();
    }
    threads_.clear();
  }

  size_t running() {
    std::lock_guard lock(mutex_);
    return threads_.size();
  }

 private:
  void beat(long, int deviceID) {
    std::unique_lock pauseLock(pauseMutex_);
    while (!TorqaJNI::stop.load()) {
      pauseLock.unlock();
      int32_t status = 0;
      bool enabled = HAL_GetSystemActive(&status);
      unsigned char data[8] = {};
      Torqa::sendMessage(
          enabled ? torqa_frames::kHeartbeatEnabled : torqa_frames::kHeartbeatDisabled, data,
          deviceID);
      torqa_simdevice::enabled(deviceID, enabled);
      pauseLock.lock();
      stopped_.wait_for(pauseLock, kPeriod, [] { return TorqaJNI::stop.load(); });
    }
  }

  static constexpr std::chrono::milliseconds kPeriod{100};

  std::mutex mutex_;  // guards threads_; held by create and destroy
  std::vector<std::thread> threads_;
  std::mutex pauseMutex_;
  std::condition_variable stopped_;
};

HeartbeatThreads s_heartbeats;

}  // namespace

size_t TorqaJNI::runningHeartbeats() {
  return s_heartbeats.running();
}

long TorqaJNI::c_Torqa_create(int deviceID, int frequency) {
  if (deviceID < 1 || deviceID > 63) {
    report(1002);
    return 0;
  }
  if (static_cast<unsigned int>(frequency) > 20000) {
    report(1001);
    return 0;
  }
  try {
    int32_t status = 0;
    HAL_CANHandle handle =
        HAL_InitializeCAN(static_cast<HAL_CANManufacturer>(torqa_frames::kManufacturer), deviceID,
                          static_cast<HAL_CANDeviceType>(torqa_frames::kDeviceType), &status);
    if (status != 0) {
      report(1000);
      return 0;
    }
    torqa_registry::registerController(handle, deviceID);
    for (signed char motor = 0; motor < 4; ++motor)
      c_Torqa_configureMotor(handle, motor, frequency);
    s_heartbeats.start(static_cast<long>(handle), deviceID);
    torqa_simdevice::opened(handle, deviceID);
    return handle;
  } catch (const std::exception&) {
    report(1000);
    return 0;
  }
}

void TorqaJNI::c_Torqa_destroy(long handle) {
  s_heartbeats.stopAll();
  auto key = static_cast<int32_t>(handle);
  torqa_simdevice::closed(key);
  torqa_registry::forgetController(key);
  HAL_CleanCAN(key);
}

void TorqaJNI::c_Torqa_configureMotor(long handle, signed char motor, int frequency) {
  unsigned char data[8] = {static_cast<unsigned char>(motor), korvane::byteOf(frequency, 0),
                           korvane::byteOf(frequency, 1)};
  Torqa::sendMessage(torqa_frames::kConfigureMotor, data, DeviceIDForHandle(handle));
}
