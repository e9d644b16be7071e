#pragma once

// The driver-station error reports behind both HALs: the stand-in's HAL_SendError and, over
// WPILib's simulation HAL, the handler installed while recording both hand each report here.

#include <cstdint>

namespace korvane::platform::error_reports {

// Prints the report as WPILib's simulation HAL does and keeps it while recording. Returns 0, as
// the HAL does for a report it took.
int32_t send(int32_t isError, int32_t errorCode, int32_t isLVCode, const char* details,
             const char* location, const char* callStack, int32_t printMsg);

// Puts the HAL's reports through send() while recording, and back where they went before when
// not: nothing for the stand-in, whose HAL_SendError always calls send(); over WPILib, its send
// error handler.
void routeToLog(bool recording);

}  // namespace korvane::platform::error_reports
