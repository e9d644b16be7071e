// The stand-in's system state: "outputs enabled" is a flag the simulation controls set.

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

extern "C" HAL_Bool HAL_GetSystemActive(int32_t* status) {
  if (status) *status = 0;
  return korvane::sim::systemActive() ? 1 : 0;
}
