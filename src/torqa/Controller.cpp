#include "torqa/Controller.h"

#include <array>
#include <chrono>
#include <exception>
#include <iostream>
#include <string>

#include "TorqaJNI.h"
#include "common/CanDeviceId.h"
#include "common/ConsoleLine.h"
#include "common/ErrorText.h"
#include "common/Guarded.h"
#include "common/MillisecondClock.h"
#include "port/Can.h"
#include "port/RobotState.h"
#include "torqa/FrameSend.h"
#include "torqa/TorqaFrames.h"

namespace korvane::torqa {

namespace {

constexpr std::chrono::milliseconds kHeartbeatPeriod{100};

// A collection a heartbeat apart still finds every kind's newest frame (the controller sends
// each of its 16 collected kinds every 20 ms).
constexpr uint32_t kSessionFrames = 128;
constexpr size_t kCollectChunk = 32;

uint32_t sessionId(int deviceNumber) {
  return frames::kStatusSession | (static_cast<uint32_t>(deviceNumber) & 0x3F);
}

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
  // Without a session every recent read reads its frame alone.
  orOnThrow([&] {
    int32_t status = 0;
    const uint32_t session = port::can::openSession(
        bus, sessionId(deviceNumber), frames::kStatusSessionMask, kSessionFrames, &status);
    if (status == 0) session_ = session;
  });
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
  if (session_ != 0) orOnThrow([&] { port::can::closeSession(session_); });
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

StatusFrame Controller::readStatus(int api, int errorCode, int64_t nowNs) {
  const StatusFrame frame = readStatusFrame(canHandle_, api, errorCode);
  recent_.keep(api, frame, nowNs);
  noteStatus(frame);
  return frame;
}

StatusFrame Controller::recentStatus(int api, int errorCode, int64_t nowNs) {
  StatusFrame frame;
  if (recent_.fresh(api, nowNs, frame)) return frame;
  if (session_ != 0 && frames::collected(api)) {
    const Collection collection = collect(nowNs, errorCode, &frame);
    if (collection == Collection::kFailed) return frame;
    if (collection == Collection::kFresh && recent_.fresh(api, nowNs, frame)) return frame;
  }
  return readStatus(api, errorCode, nowNs);
}

bool Controller::collectNow(int64_t nowNs) {
  StatusFrame failure;
  return session_ != 0 && collect(nowNs, kNoErrorText, &failure) == Collection::kFresh;
}

Controller::Collection Controller::collect(int64_t readAtNs, int errorCode, StatusFrame* failure) {
  if (collecting_.exchange(true, std::memory_order_acquire)) return Collection::kNotFresh;
  Collection result = Collection::kFresh;
  guarded(
      [&] {
        std::array<port::can::Frame, kCollectChunk> frames;
        uint32_t read = 0;
        do {
          int32_t status = 0;
          port::can::readSession(session_, frames.data(), frames.size(), &read, &status);
          if (status == port::can::kMessageNotFound) break;  // none came since
          if (status != 0 && status != port::can::kSessionOverrun) {
            failure->status = status;
            result = Collection::kFailed;
            return;
          }
          // Frames may have been dropped: what was read counts as read long ago, so that every
          // getter reads its own frame again.
          if (status == port::can::kSessionOverrun) result = Collection::kNotFresh;
          const int64_t asOf =
              result == Collection::kFresh ? readAtNs : readAtNs - RecentFrames::kFreshFor.count();
          for (uint32_t i = 0; i < read; ++i) {
            StatusFrame kept;
            std::copy(frames[i].data, frames[i].data + frames[i].size, kept.data.begin());
            kept.length = frames[i].size;
            kept.receivedTimestamp = frames[i].timestampMs;
            recent_.keep(frames::apiOf(frames[i].id), kept, asOf);
          }
          if (read > 0) health_.heard(frames[read - 1].timestampMs);
        } while (read == frames.size());
      },
      [&](const std::exception&) {
        failure->raised = true;
        result = Collection::kFailed;
        if (errorCode != kNoErrorText) printLine(std::cout, errorText(errorCode));
      });
  if (result == Collection::kFresh) recent_.collectedAt(readAtNs);
  if (result == Collection::kFailed) noteStatus(*failure);
  collecting_.store(false, std::memory_order_release);
  return result;
}

void Controller::pollStatus() {
  recentStatus(korvane::torqa::frames::kRpmApi, kNoErrorText, RecentFrames::nanosecondsNow());
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
