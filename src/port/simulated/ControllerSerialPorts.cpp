// The controller's serial ports on ttys through the platform library, over a WPILib simulation HAL
// whose own serial ports are stubs.

#include "port/ControllerSerialPorts.h"

#include "korvane/platform/SerialPorts.h"

namespace korvane::port::controller_serial {

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

}  // namespace korvane::port::controller_serial
