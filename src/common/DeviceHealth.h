#pragma once

// The health of one open device, kept the same way by every driver:
// - whether it is heard from: data arrived within its timeout (three of its own periods, or a
//   bound stated by its driver), and its port, if it has one, has not hung up;
// - how old its newest data is;
// - its failed calls, counted by kind (sends and writes, receives and reads, opening its port);
// - each change of health, told once to the driver station (common/DriverStationReport.h), never
//   per call: nothing heard within the timeout of opening (a wrong CAN ID, a device not wired),
//   heard -> silent, a hang-up, silent -> heard again, sends starting or stopping to fail, and its
//   port failing to open again.
//
// Times are whole milliseconds of the device's clock (common/MillisecondClock.h): the HAL's CAN
// receive clock for a device on CAN, whose frames carry its stamps, the library's monotonic clock
// for the others.
//
// Silence is a fault only while data is expected: a driver whose device sends only when asked
// (a LiDAR told to stop) says so with expectData(false), and silence is then not reported (a
// hang-up still is). Whoever looks first notices a change: a reading, isConnected, a driver's
// background thread (msUntilSilence() tells it when to look again).
//
// Threading: every member may be called from any thread at any time. Data, counts and the
// connected state are atomics (a reading costs a few atomic operations); a change of health is
// reported under a short lock of its own (the HAL's reporting takes no lock of a driver's).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "DeviceFaults.h"

namespace korvane {

enum class FailedCall { Send, Receive, Open };

// A reading kept with the stamp of its data in its device's health clock (DeviceHealth::ageOf
// tells its age).
template <class Reading>
struct Arrived {
  Reading reading;
  uint32_t arrivedMs = 0;
};

class DeviceHealth {
 public:
  using Clock = uint32_t (*)();

  // name is the device as reports name it, "<Class>[<id>]"; about says more where it helps (a
  // path, "HAL serial port 2"), or is empty. The device counts as opened now.
  DeviceHealth(std::string name, std::string about, uint32_t timeoutMs, Clock clock);
  DeviceHealth(const DeviceHealth&) = delete;
  DeviceHealth& operator=(const DeviceHealth&) = delete;

  std::string name() const;
  // Starts afresh for a device opened again, perhaps elsewhere: the new name and about, no data,
  // no failures, opened now. Opened again under the same name it is the same device: a fault
  // told before (failing sends or opens, silence) is not told again.
  void reopen(std::string name, std::string about);
  uint32_t timeoutMs() const { return timeoutMs_.load(std::memory_order_relaxed); }
  void setTimeoutMs(uint32_t timeoutMs) { timeoutMs_.store(timeoutMs, std::memory_order_relaxed); }
  uint32_t now() const { return clock_(); }

  // Data stamped at this time arrived (an older stamp than the newest changes nothing).
  void heard(uint32_t stampMs);
  void heardNow() { heard(clock_()); }
  // The port hung up: not heard from until data comes again.
  void hungUp();
  // A call failed; status is the HAL's or the system's, named in a report.
  void failed(FailedCall kind, int32_t status);
  // A send went out: ends a run of failed sends. One atomic load when none failed.
  void sent() {
    if (sendsFailing_.load(std::memory_order_relaxed)) sendsWork();
  }
  // Its port opened again after failed attempts.
  void opened();
  // Whether silence is a fault now. Expecting again starts the timeout afresh.
  void expectData(bool expect);

  // Heard from now (a change found is reported).
  bool connected();
  // Hung up, or not heard from for longer than its timeout since it was heard, opened or expected
  // again: a device past its first moments that has gone quiet.
  bool silent() const;
  int64_t dataAgeMs() const;
  // The stamp of the newest data heard, 0 before any: on the thread that has just told heard(),
  // the stamp of that data (as a reader thread's parser stamps the reading it makes of it).
  uint32_t newestMs() const {
    return static_cast<uint32_t>(newest_.load(std::memory_order_acquire));
  }
  // The age now of data stamped stampMs, counted as dataAgeMs counts it: a reading kept with the
  // stamp of its data tells its own age, which matches the device's data age while it is the
  // newest.
  int64_t ageOf(uint32_t stampMs) const;
  DeviceFaults record();
  // Looks for a change of health and reports it.
  void check();
  // Milliseconds until the device counts as silent unless data comes (at least 1), or -1 when
  // there is nothing to wait for (silent already, or no data expected). For a thread that waits
  // for data anyway and looks again when it gives up.
  int msUntilSilence() const;

 private:
  enum class Told { Nothing, NeverHeard, Silent, HungUp };

  // Bit 32 set once heard; the low 32 bits the newest stamp.
  static constexpr uint64_t kHeard = uint64_t{1} << 32;

  bool connectedAt(uint32_t now) const;
  // The time the timeout runs from: the newest data, or the start of expecting when later.
  uint32_t quietSince() const;
  void changeIfNeeded(bool connected);
  void sendsWork();
  void tell(bool isError, int code, const char* text, int64_t number = kNoNumber,
            const char* after = "");
  static constexpr int64_t kNoNumber = INT64_MIN;
  // Under telling_: "<name>: <text><number><after> [<about>]"; without the number and after
  // unless given.
  void report(bool isError, int code, const char* text, int64_t number = kNoNumber,
              const char* after = "") const noexcept;

  const Clock clock_;
  std::atomic<uint32_t> timeoutMs_;
  std::atomic<uint64_t> newest_{0};
  std::atomic<bool> hungUp_{false};
  std::atomic<bool> expecting_{true};
  std::atomic<uint32_t> expectingSince_;
  std::atomic<uint64_t> sendFailures_{0};
  std::atomic<uint64_t> receiveFailures_{0};
  std::atomic<uint64_t> openFailures_{0};
  std::atomic<bool> sendsFailing_{false};
  std::atomic<bool> opensFailing_{false};
  // Whether a fault was told and not yet its end: a reading looks for a change only then.
  std::atomic<bool> troubleTold_{false};

  mutable std::mutex telling_;  // what follows, and the order of the reports
  std::string name_;
  std::string about_;
  Told told_ = Told::Nothing;
};

}  // namespace korvane
