#include "common/DriverStationReport.h"

#include "port/DriverStationError.h"

namespace korvane {

void reportToDriverStation(Severity severity, int code, const std::string& location,
                           const std::string& details) noexcept {
  port::sendDriverStationError(severity == Severity::Error, code, details.c_str(),
                               location.c_str());
}

}  // namespace korvane
