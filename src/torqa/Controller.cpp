#include "torqa/Controller.h"

#include <chrono>
#include <string>

#include "TorqaJNI.h"
#include "common/CanDeviceId.h"
#include "common/MillisecondClock.h"
#include "port/Can.h"
#include "port/RobotState.h"
#include "torqa/FrameSend.h"
#include "torqa/TorqaFrames.h"

namespace korvane::torqa {

namespace {

constexpr std::chrono::milliseconds kHeartbeatPeriod{100};

constexpr const char* kOutputNames[Controller::kMotors] = {"Output 0", "Output 1", "Output 2",
                                                           "Output 3"};
constexpr const char* kRpmNames[Controller::kMotors] = {"RPM 0", "RPM 1", "RPM 2", "RPM 3"};

bool isMotor(int motor) {
  return motor >= 0 && motor < Controller::kMotors;
}

}  // namespace

Controller::Controller(int32_t canHandle, int deviceNumber, int bus)
    : canHandle_(canHandle),
      address_{bus, deviceNumber},
      health_("Torqa[" + korvane::canDeviceId(bus, deviceNumber) + "]", "", kSilenceMs,
              korvane::canMilliseconds) {
  if (!device_.open("Torqa", korvane::canDeviceId(bus, deviceNumber))) return;
  for (int m = 0; m < kMotors; ++m) {
    device_.add(outputs_[m], kOutputNames[m], 0.0);
    device_.add(rpms_[m], kRpmNames[m], 0.0);
  }
  device_.add(enabled_, "Enabled", false);
}

Controller::~Controller() {
  if (heartbeat_.joinable()) {
    wakeHeartbeat(/*ending=*/true);
    heartbeat_.join();
  }
  device_.close();  // while the values it empties are still here
}

std::optional<InfoRecord> Controller::cachedInfo() const {
  std::lock_guard lock(infoMutex_);
  return info_;
}

void Controller::storeInfo(const InfoRecord& record) {
  std::lock_guard lock(infoMutex_);
  info_ = record;
}

void Controller::noteStatus(const StatusFrame& frame) {
  if (frame.there()) {
    health_.heard(static_cast<uint32_t>(frame.receivedTimestamp));
  } else if (frame.raised || frame.status != korvane::port::can::kMessageNotFound) {
    health_.failed(korvane::FailedCall::Receive, frame.status);  // more than "none yet"
  }
}

StatusFrame Controller::readStatus(int api, int errorCode) {
  const int64_t readAt = RecentFrames::nanosecondsNow();
  const StatusFrame frame = readStatusFrame(canHandle_, api, errorCode);
  recent_.keep(api, frame, readAt);
  noteStatus(frame);
  return frame;
}

StatusFrame Controller::recentStatus(int api, int errorCode) {
  return recent_.read(api, [&] {
    const StatusFrame frame = readStatusFrame(canHandle_, api, errorCode);
    noteStatus(frame);
    return frame;
  });
}

void Controller::pollStatus() {
  recentStatus(korvane::torqa::frames::kRpmApi, kNoErrorText);
}

void Controller::showOutput(int motor, double output) const {
  if (isMotor(motor)) outputs_[static_cast<size_t>(motor)].set(output);
}

void Controller::showSpeed(int motor, double rpm) const {
  if (isMotor(motor)) rpms_[static_cast<size_t>(motor)].set(rpm);
}

void Controller::startHeartbeat() {
  heartbeat_ = std::thread(&Controller::beat, this);
}

void Controller::joinHeartbeat() {
  if (!heartbeat_.joinable()) return;
  wakeHeartbeat(/*ending=*/false);
  heartbeat_.join();
}

void Controller::wakeHeartbeat(bool ending) {
  {
    // Taken so that a heartbeat between its check of the flags and its wait cannot miss the wake.
    std::lock_guard lock(pauseMutex_);
    if (ending) ending_ = true;
  }
  woken_.notify_all();
}

// The first beat leaves at once, the next ones a period apart, until TorqaJNI::stop is raised.
// Each beat also listens for the controller's status frames and reports a change of its health.
void Controller::beat() {
  auto stopped = [this] { return TorqaJNI::stop.load() || ending_; };
  std::unique_lock pauseLock(pauseMutex_);
  while (!stopped()) {
    pauseLock.unlock();
    const bool enabled = korvane::port::outputsEnabled();
    const unsigned char data[8] = {};
    noteSend(sendFrame(address_,
                       enabled ? korvane::torqa::frames::kHeartbeatEnabled
                               : korvane::torqa::frames::kHeartbeatDisabled,
                       data));
    enabled_.set(enabled);
    pollStatus();
    health_.check();
    pauseLock.lock();
    woken_.wait_for(pauseLock, kHeartbeatPeriod, stopped);
  }
}

}  // namespace korvane::torqa
