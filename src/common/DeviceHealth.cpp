#include "common/DeviceHealth.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/DriverStationReport.h"
#include "common/MillisecondClock.h"

namespace korvane {

DeviceHealth::DeviceHealth(std::string name, std::string about, uint32_t timeoutMs, Clock clock)
    : clock_(clock),
      timeoutMs_(timeoutMs),
      expectingSince_(clock()),
      name_(std::move(name)),
      about_(std::move(about)) {}

std::string DeviceHealth::name() const {
  std::lock_guard lock(telling_);
  return name_;
}

void DeviceHealth::reopen(std::string name, std::string about) {
  std::lock_guard lock(telling_);
  if (name != name_ || about != about_) {
    name_ = std::move(name);
    about_ = std::move(about);
    told_ = Told::Nothing;
    troubleTold_.store(false);
    sendsFailing_.store(false);
    opensFailing_.store(false);
  }
  newest_.store(0);
  hungUp_.store(false);
  expectingSince_.store(clock_());
  sendFailures_.store(0);
  receiveFailures_.store(0);
  openFailures_.store(0);
}

void DeviceHealth::tell(bool isError, int code, const char* text, int64_t number,
                        const char* after) {
  std::lock_guard lock(telling_);
  report(isError, code, text, number, after);
}

void DeviceHealth::heard(uint32_t stampMs) {
  const uint64_t stamp = kHeard | stampMs;
  uint64_t current = newest_.load(std::memory_order_relaxed);
  bool newer = false;
  while ((current & kHeard) == 0 || isBefore(static_cast<uint32_t>(current), stampMs)) {
    if (newest_.compare_exchange_weak(current, stamp, std::memory_order_release,
                                      std::memory_order_relaxed)) {
      newer = true;
      break;
    }
  }
  if (!newer) return;
  if (hungUp_.load(std::memory_order_relaxed)) hungUp_.store(false, std::memory_order_relaxed);
  if (troubleTold_.load(std::memory_order_acquire)) check();
}

void DeviceHealth::hungUp() {
  hungUp_.store(true);
  check();
}

void DeviceHealth::failed(FailedCall kind, int32_t status) {
  switch (kind) {
    case FailedCall::Send:
      sendFailures_.fetch_add(1, std::memory_order_relaxed);
      if (!sendsFailing_.exchange(true)) {
        tell(true, report_code::kSendsFailing, "sends fail (status ", status, ")");
      }
      break;
    case FailedCall::Receive:
      receiveFailures_.fetch_add(1, std::memory_order_relaxed);
      break;
    case FailedCall::Open:
      openFailures_.fetch_add(1, std::memory_order_relaxed);
      if (!opensFailing_.exchange(true)) {
        tell(true, report_code::kOpenFailing, "its port cannot be opened (status ", status, ")");
      }
      break;
  }
}

void DeviceHealth::sendsWork() {
  if (!sendsFailing_.exchange(false)) return;
  tell(false, report_code::kSendsWorking, "sends work again (",
       static_cast<int64_t>(sendFailures_.load()), " failed so far)");
}

void DeviceHealth::opened() {
  if (opensFailing_.exchange(false)) tell(false, report_code::kHeardAgain, "its port opened");
}

void DeviceHealth::expectData(bool expect) {
  if (expect && !expecting_.load()) expectingSince_.store(clock_());
  expecting_.store(expect);
}

bool DeviceHealth::connectedAt(uint32_t now) const {
  const uint64_t newest = newest_.load(std::memory_order_acquire);
  if ((newest & kHeard) == 0 || hungUp_.load(std::memory_order_relaxed)) return false;
  return millisecondsBetween(static_cast<uint32_t>(newest), now) <=
         static_cast<int32_t>(timeoutMs());
}

uint32_t DeviceHealth::quietSince() const {
  const uint32_t since = expectingSince_.load(std::memory_order_relaxed);
  const uint64_t newest = newest_.load(std::memory_order_acquire);
  if ((newest & kHeard) == 0) return since;
  const auto stamp = static_cast<uint32_t>(newest);
  return isBefore(stamp, since) ? since : stamp;
}

bool DeviceHealth::connected() {
  const bool now = connectedAt(clock_());
  const bool told = troubleTold_.load(std::memory_order_acquire);
  if (told ? now : (!now && (expecting_.load() || hungUp_.load()))) changeIfNeeded(now);
  return now;
}

bool DeviceHealth::silent() const {
  if (hungUp_.load()) return true;
  const uint32_t now = clock_();
  return !connectedAt(now) &&
         millisecondsBetween(quietSince(), now) > static_cast<int32_t>(timeoutMs());
}

int64_t DeviceHealth::dataAgeMs() const {
  const uint64_t newest = newest_.load(std::memory_order_acquire);
  if ((newest & kHeard) == 0) return -1;
  return ageOf(static_cast<uint32_t>(newest));
}

int64_t DeviceHealth::ageOf(uint32_t stampMs) const {
  return std::max(0, millisecondsBetween(stampMs, clock_()));
}

DeviceFaults DeviceHealth::record() {
  DeviceFaults r;
  r.connected = connected();
  r.dataAgeMs = dataAgeMs();
  r.sendFailures = sendFailures_.load(std::memory_order_relaxed);
  r.receiveFailures = receiveFailures_.load(std::memory_order_relaxed);
  r.openFailures = openFailures_.load(std::memory_order_relaxed);
  return r;
}

void DeviceHealth::check() {
  changeIfNeeded(connectedAt(clock_()));
}

int DeviceHealth::msUntilSilence() const {
  if (troubleTold_.load() || !expecting_.load() || hungUp_.load()) return -1;
  const int32_t left =
      static_cast<int32_t>(timeoutMs()) - millisecondsBetween(quietSince(), clock_());
  return std::max(1, left + 1);
}

void DeviceHealth::changeIfNeeded(bool connected) {
  Told trouble = Told::Nothing;
  if (!connected) {
    if (hungUp_.load()) {
      trouble = Told::HungUp;
    } else if (expecting_.load() &&
               millisecondsBetween(quietSince(), clock_()) > static_cast<int32_t>(timeoutMs())) {
      trouble = (newest_.load() & kHeard) != 0 ? Told::Silent : Told::NeverHeard;
    }
  }
  std::lock_guard lock(telling_);
  if (told_ == Told::Nothing && trouble != Told::Nothing) {
    const int64_t timeout = timeoutMs();
    switch (trouble) {
      case Told::NeverHeard:
        report(true, report_code::kNeverHeard, "nothing heard from it within ", timeout,
               " ms of opening: not powered or not wired, or at another ID or port?");
        break;
      case Told::Silent:
        report(true, report_code::kSilent, "no data for ", timeout, " ms: still powered?");
        break;
      case Told::HungUp:
        report(true, report_code::kHungUp, "its port hung up: unplugged?");
        break;
      case Told::Nothing:
        break;
    }
    told_ = trouble;
    troubleTold_.store(true, std::memory_order_release);
  } else if (told_ != Told::Nothing && connected) {
    report(false, report_code::kHeardAgain, "heard from again");
    told_ = Told::Nothing;
    troubleTold_.store(false, std::memory_order_release);
  }
}

void DeviceHealth::report(bool isError, int code, const char* text, int64_t number,
                          const char* after) const noexcept {
  try {
    std::string details = name_ + ": " + text;
    if (number != kNoNumber) details += std::to_string(number) + after;
    if (!about_.empty()) details += " [" + about_ + "]";
    reportToDriverStation(isError ? Severity::Error : Severity::Warning, code, name_, details);
  } catch (const std::exception&) {
    // no room for the text: the change goes untold, the counts and the state still hold it
  }
}

}  // namespace korvane
