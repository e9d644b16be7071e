#include "WpilibHal.h"

#include "wpi/hal/HAL.h"

namespace korvane::platform {

void ensureWpilibHal() {
  // As WPILib 2027's RobotBase initializes it.
  static const bool initialized = HAL_Initialize();
  (void)initialized;
}

}  // namespace korvane::platform
