#include "WpilibHal.h"

#include "hal/HALBase.h"

namespace korvane::platform {

void ensureWpilibHal() {
  // 500 ms and mode 0, as WPILib's RobotBase initializes it.
  static const bool initialized = HAL_Initialize(500, 0);
  (void)initialized;
}

}  // namespace korvane::platform
