#pragma once

#include <stdint.h>

#include "hal/Types.h"

#ifdef __cplusplus
extern "C" {
#endif

int32_t HAL_SendError(HAL_Bool isError, int32_t errorCode, HAL_Bool isLVCode, const char* details,
                      const char* location, const char* callStack, HAL_Bool printMsg);

#ifdef __cplusplus
}
#endif
