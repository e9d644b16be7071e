// A robot program opens its devices before it attaches their simulators (WPILib runs robotInit
// before simulationInit), and a stream session opened while nothing serves WPILib's CAN callbacks
// would never be ours. So the bus hooks are registered when this library loads, which is when the
// drivers load: in a robot program WPILib's HAL is initialized by then, elsewhere this
// initializes it.

#include "CanBusModel.h"
#include "I2cBus.h"

namespace {

const bool g_connected = [] {
  korvane::platform::can_bus::connectToHal();
  korvane::platform::i2c::connectFrontEnd();
  return true;
}();

}  // namespace
