#pragma once

#include <stdint.h>

#define HAL_CAN_SEND_PERIOD_NO_REPEAT 0
#define HAL_ERR_CANSessionMux_InvalidBuffer -44086
#define HAL_ERR_CANSessionMux_MessageNotFound -44087
#define HAL_WARN_CANSessionMux_NoToken 44087
#define HAL_ERR_CANSessionMux_NotAllowed -44088
#define HAL_ERR_CANSessionMux_NotInitialized -44089
#define HAL_ERR_CANSessionMux_SessionOverrun 44050

struct HAL_CANStreamMessage {
  uint32_t messageID;
  uint32_t timeStamp;
  uint8_t data[8];
  uint8_t dataSize;
};

#ifdef __cplusplus
extern "C" {
#endif

void HAL_CAN_SendMessage(uint32_t messageID, const uint8_t* data, uint8_t dataSize,
                         int32_t periodMs, int32_t* status);
void HAL_CAN_ReceiveMessage(uint32_t* messageID, uint32_t messageIDMask, uint8_t* data,
                            uint8_t* dataSize, uint32_t* timeStamp, int32_t* status);
void HAL_CAN_OpenStreamSession(uint32_t* sessionHandle, uint32_t messageID, uint32_t messageIDMask,
                               uint32_t maxMessages, int32_t* status);
void HAL_CAN_CloseStreamSession(uint32_t sessionHandle);
void HAL_CAN_ReadStreamSession(uint32_t sessionHandle, struct HAL_CANStreamMessage* messages,
                               uint32_t messagesToRead, uint32_t* messagesRead, int32_t* status);

#ifdef __cplusplus
}
#endif
