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
void setBaudRate(int32_t handle, int32_t baud, int32_t* status);
void setDataBits(int32_t handle, int32_t bits, int32_t* status);
void setParity(int32_t handle, int32_t parity, int32_t* status);
void setStopBits(int32_t handle, int32_t stopBits, int32_t* status);
void setTimeout(int32_t handle, double seconds, int32_t* status);
void setWriteMode(int32_t handle, int32_t mode, int32_t* status);
void disableTermination(int32_t handle, int32_t* status);
int32_t bytesReceived(int32_t handle, int32_t* status);
// Waits up to the port's timeout for count bytes; returns the bytes read.
int32_t read(int32_t handle, char* buffer, int32_t count, int32_t* status);
void close(int32_t handle);

}  // namespace korvane::serial::controller
