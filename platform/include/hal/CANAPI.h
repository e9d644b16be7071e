#pragma once

#include <stdint.h>

#include "hal/CANAPITypes.h"
#include "hal/Types.h"

#ifdef __cplusplus
extern "C" {
#endif

uint32_t HAL_GetCANPacketBaseTime(void);
HAL_CANHandle HAL_InitializeCAN(HAL_CANManufacturer manufacturer, int32_t deviceId,
                                HAL_CANDeviceType deviceType, int32_t* status);
void HAL_CleanCAN(HAL_CANHandle handle);
void HAL_ReadCANPacketNew(HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                          uint64_t* receivedTimestamp, int32_t* status);
void HAL_ReadCANPacketLatest(HAL_CANHandle handle, int32_t apiId, uint8_t* data, int32_t* length,
                             uint64_t* receivedTimestamp, int32_t* status);

#ifdef __cplusplus
}
#endif
