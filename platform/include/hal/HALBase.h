#pragma once

#include <stdint.h>

#include "hal/Types.h"

#ifdef __cplusplus
extern "C" {
#endif

HAL_Bool HAL_GetSystemActive(int32_t* status);
// Microseconds of the FPGA clock (here the monotonic clock), as hal::fpga_clock reads it.
uint64_t HAL_GetFPGATime(int32_t* status);

#ifdef __cplusplus
}
#endif
