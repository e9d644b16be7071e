#pragma once

// The robot controller's serial ports as the drivers reach them, numbered as the HAL numbers them
// (0 on-board, 1 expansion port, 2 and 3 the first and second USB serial adapter), with the HAL
// serial functions' arguments, results and statuses. Where they are depends on the platform:
// - the robot's HAL's own ports on the roboRIO, and on the stand-in, whose HAL ports are ttys;
// - over WPILib's desktop simulation HALs, whose serial ports are stubs, ttys mapped as the
//   stand-in maps them (korvane/sim/Serial.h), so a device emulated on a pseudo-terminal serves a
//   robot program in WPILib's simulation too;
// - on Systemcore, whose HAL has no serial ports, USB serial adapters' ttys.
//
// Threading: any thread; a handle may be read on one thread while another closes it.

#include <cstdint>

namespace korvane::port::controller_serial {

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

}  // namespace korvane::port::controller_serial
