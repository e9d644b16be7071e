// Driver-station error reports over WPILib 2027's simulation HAL: while a test records them,
// WPILib's HAL_SendError hands each one to our log through its send error handler. Its strings
// are counted, not terminated, so each is copied before it is handed on.

#include <string>

#include "ErrorReportLog.h"
#include "WpilibHal.h"
#include "wpi/hal/simulation/MockHooks.h"

namespace korvane::platform::error_reports {
namespace {

std::string text(const WPI_String* string) {
  if (string == nullptr || string->str == nullptr) return {};
  return std::string(string->str, string->len);
}

int32_t onSendError(HAL_Bool isError, int32_t errorCode, const WPI_String* details,
                    const WPI_String* location, const WPI_String* callStack, HAL_Bool printMsg) {
  return send(isError, errorCode, /*isLVCode=*/0, text(details).c_str(), text(location).c_str(),
              text(callStack).c_str(), printMsg);
}

}  // namespace

void routeToLog(bool recording) {
  ensureWpilibHal();
  HALSIM_SetSendError(recording ? onSendError : nullptr);
}

}  // namespace korvane::platform::error_reports
