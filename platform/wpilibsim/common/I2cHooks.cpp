// The simulated I2C buses on WPILib's simulation HALs: their I2C callbacks (the same in 2026 and
// 2027) carry each transfer of ports 0 and 1 to the device attached there.

#include <algorithm>
#include <climits>
#include <cstdint>

#include "I2cBus.h"
#include "SimHeaders.h"
#include "WpilibHal.h"

namespace korvane::platform::i2c {
namespace {

int32_t portOf(void* param) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(param));
}

int32_t sizeOf(unsigned int count) {
  return static_cast<int32_t>(std::min<unsigned int>(count, INT32_MAX));
}

void onInitialized(const char*, void* param, const HAL_Value* value) {
  if (value != nullptr && value->type == HAL_BOOLEAN) {
    portOpenedByHal(portOf(param), value->data.v_boolean != 0);
  }
}

// WPILib passes no device address on: the transfer goes to the device on the port. Its result
// does not reach the caller either (WPILib's HAL_ReadI2C and HAL_WriteI2C return 0).
void onRead(const char*, void* param, unsigned char* buffer, unsigned int count) {
  read(portOf(param), kAnyAddress, buffer, sizeOf(count));
}

void onWrite(const char*, void* param, const unsigned char* buffer, unsigned int count) {
  write(portOf(param), kAnyAddress, buffer, sizeOf(count));
}

// The ports as WPILib's HAL holds them, without a record.
void takePortStates() {
  for (int32_t port = 0; port < kPortCount; ++port) {
    setPortOpen(port, HALSIM_GetI2CInitialized(port) != 0);
  }
}

}  // namespace

void connectFrontEnd() {
  static const bool connected = [] {
    ensureWpilibHal();
    for (int32_t port = 0; port < kPortCount; ++port) {
      void* param = reinterpret_cast<void*>(static_cast<intptr_t>(port));
      HALSIM_RegisterI2CInitializedCallback(port, onInitialized, param, false);
      HALSIM_RegisterI2CReadCallback(port, onRead, param);
      HALSIM_RegisterI2CWriteCallback(port, onWrite, param);
    }
    // A robot program may have opened a port before any control was used.
    takePortStates();
    return true;
  }();
  (void)connected;
}

void resetFrontEnd() {
  // The ports stay as WPILib's HAL holds them: it tells of a change only, so a port a program
  // keeps open would otherwise stay closed to every transfer.
  takePortStates();
}

}  // namespace korvane::platform::i2c
