#pragma once

#include <stdint.h>

typedef int32_t HAL_Bool;
typedef int32_t HAL_Handle;
typedef HAL_Handle HAL_CANHandle;
typedef HAL_Handle HAL_SerialPortHandle;

#define HAL_kInvalidHandle 0
