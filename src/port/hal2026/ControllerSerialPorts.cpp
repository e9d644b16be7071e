// The controller's serial ports through WPILib 2026's HAL: the robot's own, or the stand-in's.

#include "port/ControllerSerialPorts.h"

#include "hal/SerialPort.h"

namespace korvane::port::controller_serial {

// A HAL that gives out no handle yet leaves the status 0 (as a HAL whose serial ports are stubs
// does) has not opened a port either: the caller is told so with the HAL's handle error.
constexpr int32_t kHandleError = -1098;

int32_t initialize(int32_t port, int32_t* status) {
  int32_t handle = HAL_InitializeSerialPort(static_cast<HAL_SerialPort>(port), status);
  if (handle == 0 && *status == 0) *status = kHandleError;
  return handle;
}
void configure(int32_t handle, int32_t baudRate, double timeoutSeconds) {
  int32_t status = 0;
  HAL_SetSerialBaudRate(handle, baudRate, &status);
  HAL_SetSerialDataBits(handle, 8, &status);
  HAL_SetSerialParity(handle, 0, &status);
  HAL_SetSerialStopBits(handle, 10, &status);
  HAL_SetSerialTimeout(handle, timeoutSeconds, &status);
  HAL_SetSerialWriteMode(handle, 1, &status);
  HAL_DisableSerialTermination(handle, &status);
}
int32_t bytesReceived(int32_t handle, int32_t* status) {
  return HAL_GetSerialBytesReceived(handle, status);
}
int32_t read(int32_t handle, char* buffer, int32_t count, int32_t* status) {
  return HAL_ReadSerial(handle, buffer, count, status);
}
void close(int32_t handle) {
  HAL_CloseSerial(handle);
}

}  // namespace korvane::port::controller_serial
