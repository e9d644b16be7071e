#pragma once

#include <stdint.h>

#include "hal/Types.h"

// As in the HAL, the port number is a 32-bit integer underneath, so any number a caller passes is
// a value of the type (and is refused by HAL_InitializeSerialPort).
#ifdef __cplusplus
enum HAL_SerialPort : int32_t {
#else
typedef int32_t HAL_SerialPort;
enum {
#endif
  HAL_SerialPort_Onboard = 0,
  HAL_SerialPort_MXP = 1,
  HAL_SerialPort_USB1 = 2,
  HAL_SerialPort_USB2 = 3
};

#ifdef __cplusplus
extern "C" {
#endif

HAL_SerialPortHandle HAL_InitializeSerialPort(HAL_SerialPort port, int32_t* status);
void HAL_SetSerialBaudRate(HAL_SerialPortHandle handle, int32_t baud, int32_t* status);
void HAL_SetSerialDataBits(HAL_SerialPortHandle handle, int32_t bits, int32_t* status);
// 0 none, 1 odd, 2 even, 3 mark, 4 space
void HAL_SetSerialParity(HAL_SerialPortHandle handle, int32_t parity, int32_t* status);
// 10 one, 15 one and a half, 20 two
void HAL_SetSerialStopBits(HAL_SerialPortHandle handle, int32_t stopBits, int32_t* status);
// 1 flush on access, 2 flush when full
void HAL_SetSerialWriteMode(HAL_SerialPortHandle handle, int32_t mode, int32_t* status);
// seconds
void HAL_SetSerialTimeout(HAL_SerialPortHandle handle, double timeout, int32_t* status);
void HAL_DisableSerialTermination(HAL_SerialPortHandle handle, int32_t* status);
int32_t HAL_GetSerialBytesReceived(HAL_SerialPortHandle handle, int32_t* status);
// Waits up to the port's timeout for count bytes; returns the bytes read.
int32_t HAL_ReadSerial(HAL_SerialPortHandle handle, char* buffer, int32_t count, int32_t* status);
int32_t HAL_WriteSerial(HAL_SerialPortHandle handle, const char* buffer, int32_t count,
                        int32_t* status);
void HAL_CloseSerial(HAL_SerialPortHandle handle);

#ifdef __cplusplus
}
#endif
