#pragma once

// The HAL's driver-station error reporting: an error or warning for the driver station's log,
// which the HAL also prints on the robot's console.
//
// Threading: any thread; the HAL takes reports from several threads at once.

namespace korvane::port {

// details and location are UTF-8 text, null-terminated.
void sendDriverStationError(bool isError, int code, const char* details, const char* location);

}  // namespace korvane::port
