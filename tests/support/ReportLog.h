#pragma once

// The driver-station reports a test causes: recorded from construction to destruction
// (korvane/sim/ErrorReports.h), counted by code and device.

#include <chrono>
#include <cstddef>
#include <string>

#include "korvane/sim/ErrorReports.h"

namespace korvane::test {

class ReportLog {
 public:
  ReportLog() { sim::recordErrorReports(); }
  ~ReportLog() { sim::stopRecordingErrorReports(); }
  ReportLog(const ReportLog&) = delete;
  ReportLog& operator=(const ReportLog&) = delete;

  // Reports with this code about the device ("Torqa[4]"); every device when location is empty.
  size_t count(int code, const std::string& location = "") const;
  // Waits (generously) until there are at least `atLeast` of them.
  bool waitFor(int code, const std::string& location, size_t atLeast = 1,
               std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Every report so far, one per line, for a failure message.
  std::string text() const;
};

// Standard error as captured, without the lines the HAL prints for driver-station reports
// ("Error at ...", "Warning at ..."): the library's own lines.
std::string withoutReports(const std::string& captured);

}  // namespace korvane::test
