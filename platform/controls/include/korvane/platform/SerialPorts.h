#pragma once

// The robot controller's serial ports on this machine's ttys: HAL port numbers 0 to 3 open the
// paths korvane/sim/Serial.h maps them to, with the HAL serial functions' arguments, results,
// statuses and contracts (described there). The stand-in's HAL serial functions are these; a
// build over WPILib's simulation HAL, whose serial ports are stubs, calls them instead of the HAL.
// Every call is recorded and can be made to fail through the controls in korvane/sim/Serial.h.
//
// Threading: every function may be called from any thread at any time; a handle may be read on
// one thread while another thread closes it.

#include <cstdint>

namespace korvane::platform::serial {

// A handle given out by initialize; 0 is none.
using Handle = int32_t;

Handle initialize(int32_t port, int32_t* status);
void setBaudRate(Handle handle, int32_t baud, int32_t* status);
void setDataBits(Handle handle, int32_t bits, int32_t* status);
// 0 none, 1 odd, 2 even, 3 mark, 4 space
void setParity(Handle handle, int32_t parity, int32_t* status);
// 10 one, 15 one and a half, 20 two
void setStopBits(Handle handle, int32_t stopBits, int32_t* status);
// 1 flush on access, 2 flush when full
void setWriteMode(Handle handle, int32_t mode, int32_t* status);
// seconds
void setTimeout(Handle handle, double timeout, int32_t* status);
void disableTermination(Handle handle, int32_t* status);
int32_t bytesReceived(Handle handle, int32_t* status);
// Waits up to the port's timeout for count bytes; returns the bytes read.
int32_t read(Handle handle, char* buffer, int32_t count, int32_t* status);
// Waits up to the port's timeout for the tty to take them; returns the bytes written.
int32_t write(Handle handle, const char* buffer, int32_t count, int32_t* status);
// Wakes a reader blocked on the handle at once. An unknown handle is recorded with its status.
void close(Handle handle);

}  // namespace korvane::platform::serial
