#include "serial/ControllerSerialPort.h"

#ifdef KORVANE_CONTROLLER_PORTS_ON_TTYS

#include "korvane/platform/SerialPorts.h"

namespace korvane::serial::controller {

namespace tty = korvane::platform::serial;

int32_t initialize(int32_t port, int32_t* status) {
  return tty::initialize(port, status);
}
void configure(int32_t handle, int32_t baudRate, double timeoutSeconds) {
  int32_t status = 0;
  tty::setBaudRate(handle, baudRate, &status);
  tty::setDataBits(handle, 8, &status);
  tty::setParity(handle, 0, &status);
  tty::setStopBits(handle, 10, &status);
  tty::setTimeout(handle, timeoutSeconds, &status);
  tty::setWriteMode(handle, 1, &status);
  tty::disableTermination(handle, &status);
}
int32_t bytesReceived(int32_t handle, int32_t* status) {
  return tty::bytesReceived(handle, status);
}
int32_t read(int32_t handle, char* buffer, int32_t count, int32_t* status) {
  return tty::read(handle, buffer, count, status);
}
void close(int32_t handle) {
  tty::close(handle);
}

}  // namespace korvane::serial::controller

#else

#include "hal/SerialPort.h"

namespace korvane::serial::controller {

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

}  // namespace korvane::serial::controller

#endif
