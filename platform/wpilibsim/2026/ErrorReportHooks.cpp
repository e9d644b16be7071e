// Driver-station error reports over WPILib 2026's simulation HAL: while a test records them,
// WPILib's HAL_SendError hands each one to our log through its send error handler.

#include "ErrorReportLog.h"
#include "WpilibHal.h"
#include "hal/simulation/MockHooks.h"

namespace korvane::platform::error_reports {
namespace {

int32_t onSendError(HAL_Bool isError, int32_t errorCode, HAL_Bool isLVCode, const char* details,
                    const char* location, const char* callStack, HAL_Bool printMsg) {
  return send(isError, errorCode, isLVCode, details, location, callStack, printMsg);
}

}  // namespace

void routeToLog(bool recording) {
  ensureWpilibHal();
  HALSIM_SetSendError(recording ? onSendError : nullptr);
}

}  // namespace korvane::platform::error_reports
