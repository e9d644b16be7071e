#include <atomic>

#include "hal/HALBase.h"
#include "korvane/sim/System.h"

namespace korvane::sim {
namespace {
std::atomic<bool> g_systemActive{false};
}

void setSystemActive(bool active) {
  g_systemActive.store(active);
}
bool systemActive() {
  return g_systemActive.load();
}

}  // namespace korvane::sim

#ifndef KORVANE_WPILIB_SIMULATION
extern "C" HAL_Bool HAL_GetSystemActive(int32_t* status) {
  if (status) *status = 0;
  return korvane::sim::systemActive() ? 1 : 0;
}
#endif
