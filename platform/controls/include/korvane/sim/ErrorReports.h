#pragma once

// Simulation controls of the HAL's driver-station error reporting (HAL_SendError): the errors and
// warnings a robot program and its drivers send to the driver station's log, kept for tests.
//
// Either HAL prints each report on standard error as WPILib's simulation does ("Error at
// <location>: <details>", or "Warning at ..."; a report whose details repeat one of the last five
// within a second is not printed again). Only while recording are the reports also kept:
// - the stand-in's HAL_SendError keeps them itself;
// - over WPILib's simulation HAL, recording installs a handler with HALSIM_SetSendError (replacing
//   any other for that time), which keeps each report and prints it; stopping removes it, and
//   WPILib prints them again as before.
//
// Threading: every function may be called from any thread at any time, also while reports come.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvane::sim {

struct ErrorReport {
  bool isError = false;  // false: a warning
  int32_t errorCode = 0;
  std::string details;
  std::string location;
  std::string callStack;
  bool printMsg = false;
};

// Starts keeping every report, from an empty record (the newest kErrorReportCapacity are kept).
constexpr size_t kErrorReportCapacity = 4096;
void recordErrorReports();
// Stops keeping them; the record stays until the next recordErrorReports().
void stopRecordingErrorReports();
std::vector<ErrorReport> errorReports();
// Waits until `done` holds for the record (checked at once and after every new report).
bool waitForErrorReports(const std::function<bool(const std::vector<ErrorReport>&)>& done,
                         std::chrono::milliseconds timeout);

}  // namespace korvane::sim
