// The motor controller's health: whether its status frames keep coming, how old the newest is,
// and its failed calls. Each call first reads the newest motor-0 RPM frame, so the answer is
// fresh even while nothing else reads the controller.

#include "TorqaJNI.h"
#include "torqa/Controllers.h"

using korvane::torqa::Controllers;

bool TorqaJNI::c_Torqa_isConnected(long handle) {
  const auto controller = Controllers::instance().find(handle);
  if (!controller) return false;
  controller->pollStatus();
  return controller->health().connected();
}

int64_t TorqaJNI::c_Torqa_getDataAgeMs(long handle) {
  const auto controller = Controllers::instance().find(handle);
  if (!controller) return -1;
  controller->pollStatus();
  return controller->health().dataAgeMs();
}

DeviceFaults TorqaJNI::c_Torqa_getFaults(long handle) {
  const auto controller = Controllers::instance().find(handle);
  if (!controller) return DeviceFaults{};
  controller->pollStatus();
  return controller->health().record();
}
