#pragma once

#include <stdint.h>

#include "hal/Types.h"

#ifdef __cplusplus
extern "C" {
#endif

HAL_Bool HAL_GetSystemActive(int32_t* status);

#ifdef __cplusplus
}
#endif
