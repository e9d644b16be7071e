#pragma once

#include <stdint.h>

/* The drivers pass the numbers their protocols give, cast to these types, and name none of the
   values, so they build against WPILib's own header too. Any value of the width may be passed. */
typedef enum HAL_CANDeviceType {
  HAL_CAN_Dev_kBroadcast = 0,
  HAL_CAN_Dev_kMotorController = 2,
  HAL_CAN_Dev_kGyroSensor = 4,
  HAL_CAN_Dev_kMiscellaneous = 10,
  HAL_CAN_Dev_kFirmwareUpdate = 31
} HAL_CANDeviceType;

typedef enum HAL_CANManufacturer {
  HAL_CAN_Man_kBroadcast = 0,
  HAL_CAN_Man_kVendor9 = 9,
  HAL_CAN_Man_kVendor12 = 12
} HAL_CANManufacturer;
