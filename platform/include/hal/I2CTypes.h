#pragma once

#include <stdint.h>

typedef enum HAL_I2CPort {
  HAL_I2C_kInvalid = -1,
  HAL_I2C_kOnboard = 0,
  HAL_I2C_kMXP = 1,
} HAL_I2CPort;
