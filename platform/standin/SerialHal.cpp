// The stand-in's HAL serial functions: the controller's serial ports on ttys.

#include "hal/SerialPort.h"
#include "korvane/platform/SerialPorts.h"

namespace serial = korvane::platform::serial;

extern "C" {

HAL_SerialPortHandle HAL_InitializeSerialPort(HAL_SerialPort port, int32_t* status) {
  return serial::initialize(port, status);
}

void HAL_SetSerialBaudRate(HAL_SerialPortHandle handle, int32_t baud, int32_t* status) {
  serial::setBaudRate(handle, baud, status);
}

void HAL_SetSerialDataBits(HAL_SerialPortHandle handle, int32_t bits, int32_t* status) {
  serial::setDataBits(handle, bits, status);
}

void HAL_SetSerialParity(HAL_SerialPortHandle handle, int32_t parity, int32_t* status) {
  serial::setParity(handle, parity, status);
}

void HAL_SetSerialStopBits(HAL_SerialPortHandle handle, int32_t stopBits, int32_t* status) {
  serial::setStopBits(handle, stopBits, status);
}

void HAL_SetSerialWriteMode(HAL_SerialPortHandle handle, int32_t mode, int32_t* status) {
  serial::setWriteMode(handle, mode, status);
}

void HAL_SetSerialTimeout(HAL_SerialPortHandle handle, double timeout, int32_t* status) {
  serial::setTimeout(handle, timeout, status);
}

void HAL_DisableSerialTermination(HAL_SerialPortHandle handle, int32_t* status) {
  serial::disableTermination(handle, status);
}

int32_t HAL_GetSerialBytesReceived(HAL_SerialPortHandle handle, int32_t* status) {
  return serial::bytesReceived(handle, status);
}

int32_t HAL_ReadSerial(HAL_SerialPortHandle handle, char* buffer, int32_t count, int32_t* status) {
  return serial::read(handle, buffer, count, status);
}

int32_t HAL_WriteSerial(HAL_SerialPortHandle handle, const char* buffer, int32_t count,
                        int32_t* status) {
  return serial::write(handle, buffer, count, status);
}

void HAL_CloseSerial(HAL_SerialPortHandle handle) {
  serial::close(handle);
}

}  // extern "C"
