#pragma once

// One open motor controller: its CAN handle, bus and device number, the info record it sent
// (cached once obtained), its heartbeat thread, its health, and the simulated device
// "Torqa[<device number>]" ("Torqa[<bus>/<device number>]" on a CAN bus other than 0) that shows,
// per motor 0..3, "Output <m>" (the open-loop output last commanded, -1.0 to 1.0) and "RPM <m>"
// (the speed last read from its status frame), and "Enabled" (what the latest heartbeat told the
// controller). Its health names it the same way.
//
// Status frames and health: every status-frame read of an open controller, by any getter, is one
// HAL read through readStatus, or the collection of every status frame the controller's stream
// session holds (a recent read: see torqa/StatusFrames.h); either keeps the frames among the
// controller's recent frames and tells its health. The controller is heard from while a status
// frame arrived within kSilenceMs (it sends them every 20 ms), by the HAL's receive stamps. A
// heartbeat also takes the recent motor-0 RPM frame and looks for a change, so a controller that
// never answers (a wrong device number) or falls silent is reported within a beat of its timeout
// even while nothing reads it. Every frame sent to it counts its failures.
//
// A second controller opened on a device number already shown is shown as
// "Torqa[<device number>] #2" (and so on); each keeps its own. Without simulation (on the robot)
// nothing is shown and every show is a load and a branch.
//
// Threading: the getters, the cache, the health and the shows may be called from any thread at
// once. The heartbeat is started and ended by the owner of the open controllers, one call at a
// time.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "common/DeviceHealth.h"
#include "common/SimulatedDevice.h"
#include "torqa/FrameSend.h"
#include "torqa/StatusFrames.h"

namespace korvane::torqa {

using InfoRecord = std::array<unsigned char, 8>;

class Controller {
 public:
  static constexpr int kMotors = 4;
  static constexpr uint32_t kSilenceMs = 100;

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

  korvane::DeviceHealth& health() { return health_; }
  // The API's status frame read through the HAL now. Every status read of the controller goes
  // through here: it is kept among the recent frames, as read at nowNs (RecentFrames::
  // nanosecondsNow() taken before the read, once for all the reads of one call), and tells the
  // health when the HAL received it (or that the read failed).
  StatusFrame readStatus(int api, int errorCode, int64_t nowNs);
  // The API's recent frame (see torqa/StatusFrames.h). When the kept one is not fresh, the
  // session's frames are collected (one HAL call for every status frame), or the frame is read
  // through the HAL alone when the session does not collect it, when another thread is collecting
  // or when the collection did not make it fresh (none of its kind came since the controller was
  // opened, or the session overflowed). A collection that fails is the read's failure.
  // Fresh means fresh at nowNs, as readStatus takes it.
  StatusFrame recentStatus(int api, int errorCode, int64_t nowNs);
  // Collects the session's frames now (nowNs as readStatus takes it), whether or not the kept ones
  // are fresh. True when every collected kind that is there is as new as the bus had at nowNs;
  // false while another thread collects, after an overflow or a failure, and without a session.
  bool collectNow(int64_t nowNs);
  const RecentFrames& recentFrames() const { return recent_; }
  // What a send to the controller says of it.
  void noteSend(int32_t status) {
    if (status != 0) {
      health_.failed(korvane::FailedCall::Send, status);
    } else {
      health_.sent();
    }
  }
  // The recent motor-0 RPM frame for the health (no text printed): a read of the HAL only when
  // no getter read it within RecentFrames::kFreshFor.
  void pollStatus();

  // True when a simulation shows this controller.
  bool shown() const { return static_cast<bool>(device_); }
  // Motor 0..3; other indices show nothing.
  void showOutput(int motor, double output) const;
  void showSpeed(int motor, double rpm) const;

  // This controller's distance per encoder tick of each motor, 1.0 until set (the C++ API's;
  // the TorqaJNI statics keep one library-wide scale of their own).
  double distancePerTick(int motor) const {
    return distancePerTick_[static_cast<size_t>(motor)].load(std::memory_order_relaxed);
  }
  void setDistancePerTick(int motor, double scale) {
    distancePerTick_[static_cast<size_t>(motor)].store(scale, std::memory_order_relaxed);
  }
  // Held by an identity call while it asks the controller: one at a time per controller.
  std::mutex& identityTurn() { return identity_; }

  // Starts the heartbeat thread, which beats until TorqaJNI::stop is raised. Throws what
  // starting a thread throws.
  void startHeartbeat();
  // Wakes a heartbeat that pauses between beats, so that it sees TorqaJNI::stop (raised by the
  // caller) at once, and joins it.
  void joinHeartbeat();
  bool heartbeatRunning() const { return heartbeat_.joinable(); }

 private:
  enum class Collection { kFresh, kNotFresh, kFailed };

  void beat();
  void wakeHeartbeat(bool ending);
  // Keeps every frame the session holds, as read at readAtNs; a failure is put in *failure.
  Collection collect(int64_t readAtNs, int errorCode, StatusFrame* failure);
  // What a status read through the handle says of the controller's health.
  void noteStatus(const StatusFrame& frame);

  const int32_t canHandle_;
  const Address address_;
  korvane::DeviceHealth health_;
  RecentFrames recent_;
  uint32_t session_ = 0;  // the stream session of the status frames; 0 when none was opened
  std::atomic<bool> collecting_{false};

  mutable std::mutex infoMutex_;
  std::optional<InfoRecord> info_;
  std::mutex identity_;
  std::array<std::atomic<double>, kMotors> distancePerTick_{1.0, 1.0, 1.0, 1.0};

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
