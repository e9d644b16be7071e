#pragma once

// The controller's I2C ports as the drivers reach them, with the HAL I2C functions' arguments and
// results: port 0 or 1, 7-bit addresses, a transfer's result negative when it failed.
//
// Threading: any thread; the caller keeps one transfer at a time on a port.

#include <cstdint>

namespace korvane::port::i2c {

void initialize(int32_t port, int32_t* status);
int32_t write(int32_t port, int32_t address, const uint8_t* data, int32_t count);
int32_t read(int32_t port, int32_t address, uint8_t* buffer, int32_t count);
void close(int32_t port);

}  // namespace korvane::port::i2c
