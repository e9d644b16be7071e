#include "common/DriverStationReport.h"

#include "hal/DriverStation.h"

namespace korvane {

void reportToDriverStation(Severity severity, int code, const std::string& location,
                           const std::string& details) noexcept {
  HAL_SendError(severity == Severity::Error ? 1 : 0, code, /*isLVCode=*/0, details.c_str(),
                location.c_str(), /*callStack=*/"", /*printMsg=*/1);
}

}  // namespace korvane
