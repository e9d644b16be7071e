#pragma once

// The simulated I2C buses behind the I2C controls, as the HAL underneath reaches them: the
// stand-in's HAL functions call these directly, WPILib's simulation hooks call them from its
// I2C callbacks.

#include <cstdint>

namespace korvane::platform::i2c {

constexpr int kPortCount = 2;
// A transfer addressed to "whichever device is on the port": WPILib's simulation hooks do not
// pass the address on.
constexpr int32_t kAnyAddress = -1;

// Opens the port and records the call; 0 or the status to report.
int32_t initialize(int32_t port);
// Closes the port and records the call.
void close(int32_t port);
// The device at (port, address) takes the bytes (a copy of them); the bytes sent, or -1 when the
// transfer did not reach a device or the device refused it.
int32_t write(int32_t port, int32_t address, const uint8_t* data, int32_t size);
// The device at (port, address) fills `data`; the bytes read, or -1 (data then untouched).
int32_t read(int32_t port, int32_t address, uint8_t* data, int32_t size);
// The HAL underneath opened (true) or closed the port by itself: recorded as an Initialize with
// status 0 or a Close, never failed.
void portOpenedByHal(int32_t port, bool open);
// The port's open state as the HAL underneath holds it, set without a record.
void setPortOpen(int32_t port, bool open);

// Provided by the front end the platform library is built with. connectFrontEnd() is called
// by every control before anything else (so never under the bus lock); resetFrontEnd() by
// resetI2c after the model is back to its load-time state.
void connectFrontEnd();
void resetFrontEnd();

}  // namespace korvane::platform::i2c
