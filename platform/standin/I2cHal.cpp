// The stand-in's HAL I2C functions, on the simulated I2C buses.

#include "I2cBus.h"
#include "hal/I2C.h"

namespace korvane::platform::i2c {

// The stand-in's HAL functions call the buses directly: nothing to connect or resynchronise.
void connectFrontEnd() {}
void resetFrontEnd() {}

}  // namespace korvane::platform::i2c

namespace i2c = korvane::platform::i2c;

extern "C" {

void HAL_InitializeI2C(HAL_I2CPort port, int32_t* status) {
  int32_t result = i2c::initialize(port);
  if (status) *status = result;
}

int32_t HAL_WriteI2C(HAL_I2CPort port, int32_t deviceAddress, const uint8_t* dataToSend,
                     int32_t sendSize) {
  return i2c::write(port, deviceAddress, dataToSend, sendSize);
}

int32_t HAL_ReadI2C(HAL_I2CPort port, int32_t deviceAddress, uint8_t* buffer, int32_t count) {
  return i2c::read(port, deviceAddress, buffer, count);
}

void HAL_CloseI2C(HAL_I2CPort port) {
  i2c::close(port);
}

}  // extern "C"
