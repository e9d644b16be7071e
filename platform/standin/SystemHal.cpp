// The stand-in's system state: "outputs enabled" and the runtime it reports are flags the
// simulation controls set.

#include <atomic>

#include "hal/HALBase.h"
#include "korvane/sim/System.h"

namespace korvane::sim {
namespace {
std::atomic<bool> g_systemActive{false};
std::atomic<bool> g_realRobot{false};
}  // namespace

void setSystemActive(bool active) {
  g_systemActive.store(active);
}
bool systemActive() {
  return g_systemActive.load();
}

void setRealRobot(bool real) {
  g_realRobot.store(real);
}
bool realRobot() {
  return g_realRobot.load();
}

}  // namespace korvane::sim

extern "C" HAL_Bool HAL_GetSystemActive(int32_t* status) {
  if (status) *status = 0;
  return korvane::sim::systemActive() ? 1 : 0;
}

extern "C" HAL_RuntimeType HAL_GetRuntimeType(void) {
  return korvane::sim::realRobot() ? HAL_Runtime_RoboRIO2 : HAL_Runtime_Simulation;
}
