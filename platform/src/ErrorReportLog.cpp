#include "ErrorReportLog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <string>

#include "korvane/sim/ErrorReports.h"

namespace korvane::platform::error_reports {
namespace {

using Clock = std::chrono::steady_clock;

// WPILib's simulation HAL prints a report unless the same details were printed within the last
// second among the last five different ones.
constexpr size_t kRecentlyPrinted = 5;
constexpr auto kRepeatAfter = std::chrono::seconds(1);

struct Log {
  std::mutex mutex;
  std::condition_variable added;
  bool recording = false;
  std::deque<sim::ErrorReport> reports;
  uint64_t total = 0;  // reports kept ever; tells waiters that the record changed
  std::array<std::string, kRecentlyPrinted> printed;
  std::array<Clock::time_point, kRecentlyPrinted> printedAt{};
};

// Never destroyed: drivers may report while the process exits.
Log& reportLog() {
  static Log* instance = new Log;
  return *instance;
}

std::string text(const char* value) {
  return value == nullptr ? std::string() : std::string(value);
}

// Under the log's lock: whether the details are due to be printed, remembering them if so.
bool dueForPrinting(Log& l, const std::string& details) {
  const auto now = Clock::now();
  auto same = std::find(l.printed.begin(), l.printed.end(), details);
  if (same != l.printed.end()) {
    auto& at = l.printedAt[static_cast<size_t>(same - l.printed.begin())];
    if (at != Clock::time_point{} && now - at < kRepeatAfter) return false;
    at = now;
    return true;
  }
  auto oldest = std::min_element(l.printedAt.begin(), l.printedAt.end());
  const auto slot = static_cast<size_t>(oldest - l.printedAt.begin());
  l.printed[slot] = details;
  l.printedAt[slot] = now;
  return true;
}

void print(bool isError, const std::string& location, const std::string& details,
           const std::string& callStack) {
  std::string line;
  if (!location.empty())
    line += std::string(isError ? "Error" : "Warning") + " at " + location + ": ";
  line += details + "\n";
  if (!callStack.empty()) line += callStack + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void keepAndPrint(int32_t isError, int32_t errorCode, const char* details, const char* location,
                  const char* callStack, int32_t printMsg) {
  sim::ErrorReport report{isError != 0,   errorCode,       text(details),
                          text(location), text(callStack), printMsg != 0};
  Log& l = reportLog();
  bool printIt;
  {
    std::lock_guard lock(l.mutex);
    printIt = dueForPrinting(l, report.details);
    if (l.recording) {
      l.reports.push_back(report);
      if (l.reports.size() > sim::kErrorReportCapacity) l.reports.pop_front();
      ++l.total;
    }
  }
  l.added.notify_all();
  if (printIt) print(report.isError, report.location, report.details, report.callStack);
}

}  // namespace

int32_t send(int32_t isError, int32_t errorCode, int32_t isLVCode, const char* details,
             const char* location, const char* callStack, int32_t printMsg) {
  (void)isLVCode;
  try {
    keepAndPrint(isError, errorCode, details, location, callStack, printMsg);
  } catch (const std::exception&) {
    // no room to keep or print it: the HAL's caller goes on all the same
  }
  return 0;
}

}  // namespace korvane::platform::error_reports

namespace korvane::sim {

using platform::error_reports::reportLog;

void recordErrorReports() {
  auto& l = reportLog();
  {
    std::lock_guard lock(l.mutex);
    l.reports.clear();
    l.recording = true;
  }
  platform::error_reports::routeToLog(true);
}

void stopRecordingErrorReports() {
  platform::error_reports::routeToLog(false);
  auto& l = reportLog();
  std::lock_guard lock(l.mutex);
  l.recording = false;
}

std::vector<ErrorReport> errorReports() {
  auto& l = reportLog();
  std::lock_guard lock(l.mutex);
  return {l.reports.begin(), l.reports.end()};
}

bool waitForErrorReports(const std::function<bool(const std::vector<ErrorReport>&)>& done,
                         std::chrono::milliseconds timeout) {
  auto& l = reportLog();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(l.mutex);
  while (true) {
    std::vector<ErrorReport> snapshot(l.reports.begin(), l.reports.end());
    const uint64_t seen = l.total;
    lock.unlock();
    if (done(snapshot)) return true;
    lock.lock();
    if (l.total != seen) continue;
    if (l.added.wait_until(lock, deadline) == std::cv_status::timeout) {
      std::vector<ErrorReport> last(l.reports.begin(), l.reports.end());
      lock.unlock();
      return done(last);
    }
  }
}

}  // namespace korvane::sim
