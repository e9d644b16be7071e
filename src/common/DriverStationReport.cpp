#include "common/DriverStationReport.h"

#include <exception>

#include "port/DriverStationError.h"

namespace korvane {

void reportToDriverStation(Severity severity, int code, const std::string& location,
                           const std::string& details) noexcept {
  port::sendDriverStationError(severity == Severity::Error, code, details.c_str(),
                               location.c_str());
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
