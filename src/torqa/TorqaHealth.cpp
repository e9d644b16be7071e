// The motor controller's health: whether its status frames keep coming, how old the newest is,
// and its failed calls. Each call first reads the newest motor-0 RPM frame, so the answer is
// fresh even while nothing else reads the controller.

#include "torqa/Operations.h"

namespace korvane::torqa {

bool isConnected(const Target& of) {
  Controller* controller = of.controller();
  if (controller == nullptr) return false;
  controller->pollStatus();
  return controller->health().connected();
}

int64_t dataAgeMs(const Target& of) {
  Controller* controller = of.controller();
  if (controller == nullptr) return -1;
  controller->pollStatus();
  return controller->health().dataAgeMs();
}

DeviceFaults faults(const Target& of) {
  Controller* controller = of.controller();
  if (controller == nullptr) return DeviceFaults{};
  controller->pollStatus();
  return controller->health().record();
}

}  // namespace korvane::torqa
