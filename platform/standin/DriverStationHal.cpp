// The stand-in's driver-station error reporting: each report is printed as WPILib's simulation
// HAL prints it, and kept for tests while they record (korvane/sim/ErrorReports.h).

#include "ErrorReportLog.h"
#include "hal/DriverStation.h"

namespace korvane::platform::error_reports {
void routeToLog(bool) {}  // HAL_SendError below always goes to the log
}  // namespace korvane::platform::error_reports

extern "C" int32_t HAL_SendError(HAL_Bool isError, int32_t errorCode, HAL_Bool isLVCode,
                                 const char* details, const char* location, const char* callStack,
                                 HAL_Bool printMsg) {
  return korvane::platform::error_reports::send(isError, errorCode, isLVCode, details, location,
                                                callStack, printMsg);
}
