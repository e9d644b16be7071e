// Simulated devices as the robot's HAL has them: there is no simulation to show them in, so no
// device or value is ever created (handle 0) and every call on handle 0 does nothing. Drivers
// register theirs unconditionally; here that costs them one call at open and a branch per update.

#include "hal/SimDevice.h"

extern "C" {

HAL_SimDeviceHandle HAL_CreateSimDevice(const char*) {
  return 0;
}

void HAL_FreeSimDevice(HAL_SimDeviceHandle) {}

const char* HAL_GetSimDeviceName(HAL_SimDeviceHandle) {
  return "";
}

HAL_SimValueHandle HAL_CreateSimValue(HAL_SimDeviceHandle, const char*, int32_t,
                                      const struct HAL_Value*) {
  return 0;
}

HAL_SimValueHandle HAL_CreateSimValueEnum(HAL_SimDeviceHandle, const char*, int32_t, int32_t,
                                          const char**, int32_t) {
  return 0;
}

HAL_SimValueHandle HAL_CreateSimValueEnumDouble(HAL_SimDeviceHandle, const char*, int32_t, int32_t,
                                                const char**, const double*, int32_t) {
  return 0;
}

void HAL_GetSimValue(HAL_SimValueHandle, struct HAL_Value* value) {
  if (value != nullptr) value->type = HAL_UNASSIGNED;
}

void HAL_SetSimValue(HAL_SimValueHandle, const struct HAL_Value*) {}

void HAL_ResetSimValue(HAL_SimValueHandle) {}

}  // extern "C"

hal::SimDevice::SimDevice(const char*, int) {}

hal::SimDevice::SimDevice(const char*, int, int) {}
