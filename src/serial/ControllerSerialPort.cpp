#include "serial/ControllerSerialPort.h"

#ifdef KORVANE_CONTROLLER_PORTS_ON_TTYS

#include "korvane/platform/SerialPorts.h"

namespace korvane::serial::controller {

namespace tty = korvane::platform::serial;

int32_t initialize(int32_t port, int32_t* status) {
  return tty::initialize(port, status);
}
void setBaudRate(int32_t handle, int32_t baud, int32_t* status) {
  tty::setBaudRate(handle, baud, status);
}
void setDataBits(int32_t handle, int32_t bits, int32_t* status) {
  tty::setDataBits(handle, bits, status);
}
void setParity(int32_t handle, int32_t parity, int32_t* status) {
  tty::setParity(handle, parity, status);
}
void setStopBits(int32_t handle, int32_t stopBits, int32_t* status) {
  tty::setStopBits(handle, stopBits, status);
}
void setTimeout(int32_t handle, double seconds, int32_t* status) {
  tty::setTimeout(handle, seconds, status);
}
void setWriteMode(int32_t handle, int32_t mode, int32_t* status) {
  tty::setWriteMode(handle, mode, status);
}
void disableTermination(int32_t handle, int32_t* status) {
  tty::disableTermination(handle, status);
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
void setBaudRate(int32_t handle, int32_t baud, int32_t* status) {
  HAL_SetSerialBaudRate(handle, baud, status);
}
void setDataBits(int32_t handle, int32_t bits, int32_t* status) {
  HAL_SetSerialDataBits(handle, bits, status);
}
void setParity(int32_t handle, int32_t parity, int32_t* status) {
  HAL_SetSerialParity(handle, parity, status);
}
void setStopBits(int32_t handle, int32_t stopBits, int32_t* status) {
  HAL_SetSerialStopBits(handle, stopBits, status);
}
void setTimeout(int32_t handle, double seconds, int32_t* status) {
  HAL_SetSerialTimeout(handle, seconds, status);
}
void setWriteMode(int32_t handle, int32_t mode, int32_t* status) {
  HAL_SetSerialWriteMode(handle, mode, status);
}
void disableTermination(int32_t handle, int32_t* status) {
  HAL_DisableSerialTermination(handle, status);
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
