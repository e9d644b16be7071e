#pragma once

// One open motor controller: its CAN handle, bus and device number, the info record it sent
// (cached once obtained), its heartbeat thread, and the simulated device "Torqa[<device number>]"
// ("Torqa[<bus>/<device number>]" on a CAN bus other than 0) that
// shows, per motor 0..3, "Output <m>" (the open-loop output last commanded, -1.0 to 1.0) and
// "RPM <m>" (the speed last read from its status frame), and "Enabled" (what the latest heartbeat
// told the controller).
//
// A second controller opened on a device number already shown is not shown again; closing it
// leaves the first one's device alone. Without simulation (on the robot) nothing is shown and
// every show is a load and a branch.
//
// Threading: the getters, the cache and the shows may be called from any thread at once. The
// heartbeat is started and ended by the owner of the open controllers, one call at a time.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "common/SimulatedDevice.h"
#include "torqa/FrameSend.h"

namespace korvane::torqa {

using InfoRecord = std::array<unsigned char, 8>;

class Controller {
 public:
  static constexpr int kMotors = 4;

  Controller(int32_t canHandle, int deviceNumber, int bus = 0);
  // Ends the heartbeat if it still runs (joining it) and removes the simulated device.
  ~Controller();
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  int32_t canHandle() const { return canHandle_; }
  int deviceNumber() const { return address_.deviceNumber; }
  int bus() const { return address_.bus; }
  const Address& address() const { return address_; }

  // The info record, or nothing while none has been obtained.
  std::optional<InfoRecord> cachedInfo() const;
  void storeInfo(const InfoRecord& record);

  // True when a simulation shows this controller.
  bool shown() const { return static_cast<bool>(device_); }
  // Motor 0..3; other indices show nothing.
  void showOutput(int motor, double output) const;
  void showSpeed(int motor, double rpm) const;

  // Starts the heartbeat thread, which beats until TorqaJNI::stop is raised. Throws what
  // starting a thread throws.
  void startHeartbeat();
  // Wakes a heartbeat that pauses between beats, so that it sees TorqaJNI::stop (raised by the
  // caller) at once, and joins it.
  void joinHeartbeat();
  bool heartbeatRunning() const { return heartbeat_.joinable(); }

 private:
  void beat();
  void wakeHeartbeat(bool ending);

  const int32_t canHandle_;
  const Address address_;

  mutable std::mutex infoMutex_;
  std::optional<InfoRecord> info_;

  std::thread heartbeat_;
  std::mutex pauseMutex_;
  std::condition_variable woken_;
  bool ending_ = false;  // under pauseMutex_: this controller's heartbeat ends, whatever the flag

  korvane::SimulatedDevice device_;
  std::array<korvane::SimDoubleOutput, kMotors> outputs_;
  std::array<korvane::SimDoubleOutput, kMotors> rpms_;
  korvane::SimBoolOutput enabled_;
};

}  // namespace korvane::torqa
