// Driver-station error reports through WPILib 2027's HAL, which takes counted strings.

#include "port/DriverStationError.h"

#include <cstring>

#include "wpi/hal/DriverStation.h"

namespace korvane::port {

namespace {

WPI_String counted(const char* text) {
  return WPI_String{text, std::strlen(text)};
}

}  // namespace

void sendDriverStationError(bool isError, int code, const char* details, const char* location) {
  const WPI_String detailsText = counted(details);
  const WPI_String locationText = counted(location);
  const WPI_String noCallStack = counted("");
  HAL_SendError(isError ? 1 : 0, code, &detailsText, &locationText, &noCallStack,
                /*printMsg=*/1);
}

}  // namespace korvane::port
