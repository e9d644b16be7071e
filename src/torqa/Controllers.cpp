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

bool Controllers::open(int32_t canHandle, int deviceNumber, int bus) {
  std::lock_guard lock(lifecycle_);
  removeLocked(canHandle);  // first, so that the new one can take its simulated device's name
  auto controller = std::make_unique<Controller>(canHandle, deviceNumber, bus);
  if (!table_.add(canHandle, controller.get())) return false;
  if (controller->shown()) shown_.fetch_add(1, std::memory_order_relaxed);
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
  return removeLocked(canHandle);
}

void Controllers::discard(int32_t canHandle) {
  std::lock_guard lock(lifecycle_);
  removeLocked(canHandle);
}

bool Controllers::removeLocked(int32_t canHandle) {
  std::unique_ptr<Controller> controller(table_.remove(canHandle));
  if (controller == nullptr) return false;
  if (controller->shown()) shown_.fetch_sub(1, std::memory_order_relaxed);
  return true;
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
