// Driver-station error reports through WPILib 2026's HAL.

#include "port/DriverStationError.h"

#include "hal/DriverStation.h"

namespace korvane::port {

void sendDriverStationError(bool isError, int code, const char* details, const char* location) {
  HAL_SendError(isError ? 1 : 0, code, /*isLVCode=*/0, details, location, /*callStack=*/"",
                /*printMsg=*/1);
}

}  // namespace korvane::port
