#include "torqa/Controllers.h"

#include <memory>

#include "TorqaJNI.h"

namespace korvane::torqa {

namespace {

// Library unload joins every heartbeat thread, so that none outlives the code it runs.
struct JoinHeartbeatsAtUnload {
  ~JoinHeartbeatsAtUnload() { Controllers::instance().stopEveryHeartbeat(); }
} s_joinAtUnload;

}  // namespace

// Never destroyed: a call from a thread that outlives unload still finds a table.
Controllers& Controllers::instance() {
  static Controllers* controllers = new Controllers;
  return *controllers;
}

bool Controllers::open(int32_t canHandle, int deviceNumber) {
  auto controller = std::make_unique<Controller>(canHandle, deviceNumber);
  std::lock_guard lock(lifecycle_);
  delete table_.remove(canHandle);
  if (!table_.add(canHandle, controller.get())) return false;
  controller.release();
  return true;
}

void Controllers::startHeartbeat(int32_t canHandle) {
  std::lock_guard lock(lifecycle_);
  Ref controller = table_.find(canHandle);
  if (!controller) return;
  TorqaJNI::stop.store(false);
  controller->startHeartbeat();
}

bool Controllers::close(int32_t canHandle) {
  std::lock_guard lock(lifecycle_);
  // The policy: closing any controller silences them all.
  stopEveryHeartbeatLocked();
  Controller* controller = table_.remove(canHandle);
  delete controller;
  return controller != nullptr;
}

size_t Controllers::runningHeartbeats() {
  std::lock_guard lock(lifecycle_);
  size_t running = 0;
  for (int64_t handle : table_.handles()) {
    Ref controller = table_.find(handle);
    if (controller && controller->heartbeatRunning()) ++running;
  }
  return running;
}

void Controllers::stopEveryHeartbeat() {
  std::lock_guard lock(lifecycle_);
  stopEveryHeartbeatLocked();
}

void Controllers::stopEveryHeartbeatLocked() {
  TorqaJNI::stop.store(true);
  for (int64_t handle : table_.handles()) {
    if (Ref controller = table_.find(handle)) controller->joinHeartbeat();
  }
}

}  // namespace korvane::torqa
