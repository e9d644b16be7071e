// I2C through WPILib 2027's HAL: the same calls as 2026's, its ports HAL_I2C_PORT_0 and _1.

#include "port/I2c.h"

#include "wpi/hal/I2C.h"

namespace korvane::port::i2c {

void initialize(int32_t port, int32_t* status) {
  HAL_InitializeI2C(static_cast<HAL_I2CPort>(port), status);
}

int32_t write(int32_t port, int32_t address, const uint8_t* data, int32_t count) {
  return HAL_WriteI2C(static_cast<HAL_I2CPort>(port), address, data, count);
}

int32_t read(int32_t port, int32_t address, uint8_t* buffer, int32_t count) {
  return HAL_ReadI2C(static_cast<HAL_I2CPort>(port), address, buffer, count);
}

void close(int32_t port) {
  HAL_CloseI2C(static_cast<HAL_I2CPort>(port));
}

}  // namespace korvane::port::i2c
