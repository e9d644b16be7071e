#pragma once

// The robot controller's serial ports as the drivers reach them, with the HAL serial functions'
// arguments, results and statuses. On the robot (and on the stand-in, whose HAL ports are ttys)
// these are the HAL's own ports. Built against WPILib's desktop simulation HAL, whose serial ports
// are stubs, they are ttys mapped as the stand-in maps them (korvane/sim/Serial.h), so a device
// emulated on a pseudo-terminal serves a robot program in WPILib's simulation too.

#include <cstdint>

namespace korvane::serial::controller {

// 0 when no port was opened (the status says why).
int32_t initialize(int32_t port, int32_t* status);
// Sets the port up for a device that streams on its own: the baud rate, 8 data bits, no parity,
// one stop bit, the read timeout, writes flushed at once and no read termination, in that order.
// The settings' statuses are not looked at: a port that takes none of them still reads.
void configure(int32_t handle, int32_t baudRate, double timeoutSeconds);
int32_t bytesReceived(int32_t handle, int32_t* status);
// Waits up to the port's timeout for count bytes; returns the bytes read.
int32_t read(int32_t handle, char* buffer, int32_t count, int32_t* status);
void close(int32_t handle);

}  // namespace korvane::serial::controller
