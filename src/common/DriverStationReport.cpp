#include "common/DriverStationReport.h"

#include <exception>

#include "hal/DriverStation.h"

namespace korvane {

void reportToDriverStation(Severity severity, int code, const std::string& location,
                           const std::string& details) noexcept {
  HAL_SendError(severity == Severity::Error ? 1 : 0, code, /*isLVCode=*/0, details.c_str(),
                location.c_str(), /*callStack=*/"", /*printMsg=*/1);
}

void reportNotOpened(const std::string& location) noexcept {
  try {
    reportToDriverStation(Severity::Error, report_code::kNotOpened, location,
                          location + ": could not be opened (see the console)");
  } catch (const std::exception&) {
    // no room for the text: the console line the driver printed says it
  }
}

}  // namespace korvane
