// The FPGA clock through WPILib's C++ class, where our compiler shares WPILib's C++ ABI.

#include "port/Clock.h"

#include "hal/cpp/fpga_clock.h"

namespace korvane::port {

int64_t fpgaMicros() {
  return hal::fpga_clock::now().time_since_epoch().count();
}

}  // namespace korvane::port
