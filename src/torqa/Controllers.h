#pragma once

// The open motor controllers, one Controller each, in one handle table keyed by CAN handle: the
// motor controllers' table, through which the C++ API (korvane::Torqa) and the TorqaJNI statics
// find them. Every call finds its controller here once (a Target) and holds it while it runs; a
// handle that is not open finds nothing and is treated as a zero handle (device number 0).
//
// The heartbeat is the controllers' shared state, and its policy is this table's: every open
// starts a heartbeat for its own controller only, and ANY close (of any handle, open or not)
// stops the heartbeat of EVERY open controller, raising the shared TorqaJNI::stop flag and joining
// every heartbeat thread. The controllers still open stay open, silent until the next open starts
// a heartbeat for the controller it opens. Library unload joins every heartbeat too.
//
// Threading: open, startHeartbeat and close are serialised with each other; find may be called
// from any thread at any time, and close waits for the calls that hold the controller.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "common/HandleTable.h"
#include "torqa/Controller.h"

namespace korvane::torqa {

class Controllers {
 public:
  using Ref = korvane::HandleTable<Controller>::Ref;

  // Never destroyed: a call from a thread that outlives unload still finds a table.
  static Controllers& instance() {
    static Controllers* controllers = new Controllers;
    return *controllers;
  }

  // Files a new controller under its CAN handle; one still filed under that handle is closed
  // first (its heartbeat alone ended). False, with nothing filed, when the table is full.
  bool open(int32_t canHandle, int deviceNumber, int bus = 0);
  // Clears the stop flag and starts the controller's heartbeat. Throws what starting a thread
  // throws; the controller then stays open without one.
  void startHeartbeat(int32_t canHandle);
  // Stops every heartbeat, then forgets the controller and frees it once no call holds it. True
  // when the handle was open.
  bool close(int32_t canHandle);
  // Forgets and frees a controller whose opening failed half way, leaving the other heartbeats
  // alone (its own, if it runs, is joined).
  void discard(int32_t canHandle);

  // The controller open under the handle's low 32 bits; empty when there is none.
  Ref find(long handle) const { return table_.find(static_cast<int32_t>(handle)); }

  // True while a simulation shows some open controller (never on the robot).
  bool anyShown() const { return shown_.load(std::memory_order_relaxed) != 0; }

  // Heartbeat threads started since the last close and not yet joined.
  size_t runningHeartbeats();
  void stopEveryHeartbeat();

 private:
  Controllers() = default;
  void stopEveryHeartbeatLocked();
  // Forgets the controller, waiting for the calls that hold it, and frees it. True when it was
  // open.
  bool removeLocked(int32_t canHandle);

  std::mutex lifecycle_;  // held by open, startHeartbeat and close
  korvane::HandleTable<Controller> table_;
  std::atomic<int> shown_{0};  // open controllers that a simulation shows
};

// What a call acts on: the controller open under a CAN handle, found once and held while the call
// runs (its close waits for the call); a handle that is not open finds none, and then its frames
// go to device number 0 and its reads go through the handle alone, as the HAL decides.
class Target {
 public:
  explicit Target(int64_t handle)
      : canHandle_(static_cast<int32_t>(handle)),
        controller_(Controllers::instance().find(handle)) {}

  int32_t canHandle() const { return canHandle_; }
  // The open controller, or null.
  Controller* controller() const { return controller_.get(); }
  explicit operator bool() const { return static_cast<bool>(controller_); }
  int deviceNumber() const { return controller_ ? controller_->deviceNumber() : 0; }
  // Where its frames go: bus 0, device number 0 for a handle that is not open.
  Address address() const { return controller_ ? controller_->address() : Address{}; }

 private:
  const int32_t canHandle_;
  const Controllers::Ref controller_;
};

}  // namespace korvane::torqa
