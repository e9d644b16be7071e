#pragma once

#include <stdint.h>

#include "hal/I2CTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

void HAL_InitializeI2C(HAL_I2CPort port, int32_t* status);
// Both return the bytes transferred (>= 0) or -1 when the transfer was aborted.
int32_t HAL_WriteI2C(HAL_I2CPort port, int32_t deviceAddress, const uint8_t* dataToSend,
                     int32_t sendSize);
int32_t HAL_ReadI2C(HAL_I2CPort port, int32_t deviceAddress, uint8_t* buffer, int32_t count);
void HAL_CloseI2C(HAL_I2CPort port);

#ifdef __cplusplus
}
#endif
