#pragma once

#include <stdint.h>

#include "hal/Types.h"

HAL_ENUM(HAL_RuntimeType){
    HAL_Runtime_RoboRIO,
    HAL_Runtime_RoboRIO2,
    HAL_Runtime_Simulation,
};

#ifdef __cplusplus
extern "C" {
#endif

HAL_Bool HAL_GetSystemActive(int32_t* status);
// Microseconds of the FPGA clock (here the monotonic clock), as hal::fpga_clock reads it.
uint64_t HAL_GetFPGATime(int32_t* status);
HAL_RuntimeType HAL_GetRuntimeType(void);

#ifdef __cplusplus
}
#endif
