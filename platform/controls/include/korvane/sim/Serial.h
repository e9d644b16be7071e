#pragma once

// Simulation controls of the serial ports that stand in for the robot controller's: each HAL port
// number is a real tty path (by default the controller's own: "/dev/ttyS0" on board, "/dev/ttyS1"
// on the expansion port, "/dev/ttyUSB0" and "/dev/ttyUSB1" for the two USB adapters), which a
// test or a simulator may remap, for example to a pseudo-terminal it serves.
// KORVANE_SIM_SERIAL_PORT_<n>=<path> in the environment replaces port n's default (also after
// resetSerial), for a robot program pointed at devices emulated by another process.
//
// The ports themselves are korvane/platform/SerialPorts.h: the stand-in's HAL serial functions,
// and the ports the drivers use in a build over WPILib's simulation HAL (whose own serial
// functions are stubs that this library does not call). "HAL serial functions" below means either.
//
// The HAL serial functions keep the controller's contracts: settings are applied with termios
// and can be read back; HAL_ReadSerial waits up to the port's timeout (5 s until set) for the
// count asked and returns what arrived; HAL_GetSerialBytesReceived reports what waits. Failures
// are statuses as the roboRIO's HAL gives them: negative for an unknown port number, a path that
// cannot be opened, a handle that was never given out or is closed (the count then -1) and a value
// the port cannot take; the system's error, positive (errno on Linux), when the open tty fails.
// As on the controller, a port is open at most once (opening it again while open fails with
// RESOURCE_IS_ALLOCATED) and its handle is the same at every opening: a handle kept past its
// close names the port's next opening. HAL_CloseSerial wakes a reader blocked on the handle at
// once.
//
// Threading: every function here and every HAL serial function may be called from any thread at
// any time; a handle may be read on one thread while another thread closes it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvane::sim {

// Statuses the serial functions report.
constexpr int32_t kSerialParameterOutOfRange = -1028;  // unknown port, unsupported setting
constexpr int32_t kSerialResourceIsAllocated = -1029;  // the port is open already
constexpr int32_t kSerialHandleError = -1098;          // never given out, or already closed
// Opening a path that fails reports minus its errno (-2 for a missing path).

enum class SerialCall : int {
  Initialize = 0,
  SetBaudRate = 1,
  SetDataBits = 2,
  SetParity = 3,
  SetStopBits = 4,
  SetTimeout = 5,
  SetWriteMode = 6,
  DisableTermination = 7,
  GetBytesReceived = 8,
  Read = 9,
  Write = 10,
  Close = 11,
};
constexpr int kSerialCallCount = 12;

struct SerialCallRecord {
  SerialCall call = SerialCall::Initialize;
  int32_t handle = 0;       // the handle given out, for Initialize
  int32_t port = -1;        // the HAL port number of the handle (-1 when unknown)
  double value = 0;         // the setting, or the count asked to read or write
  int32_t result = 0;       // bytes received, read or written; 0 for the others
  int32_t status = 0;       // the status the call reported
  std::string bytes;        // bytes read or written
  int64_t timestampUs = 0;  // monotonic, same clock as hal::fpga_clock
};

// Every HAL serial call since the last clear, oldest first: the newest kSerialLogCapacity calls,
// fewer when the bytes they read and wrote would exceed kSerialLogBytes (the newest call is always
// kept).
constexpr size_t kSerialLogCapacity = 1 << 16;
constexpr size_t kSerialLogBytes = 1 << 20;
std::vector<SerialCallRecord> serialCalls();
void clearSerialCalls();
// Waits until `done` holds for the record (checked at once and after every new call).
bool waitForSerialCalls(const std::function<bool(const std::vector<SerialCallRecord>&)>& done,
                        std::chrono::milliseconds timeout);

// The path behind a HAL port number (0 to 3); empty for any other number.
std::string serialPortPath(int port);
// Later HAL_InitializeSerialPort calls of that port open `path`. False for an unknown port.
bool mapSerialPort(int port, const std::string& path);

// The settings of an open handle as the tty holds them (read back with termios), with the
// port's timeout, write mode and termination. valid is false for an unknown or closed handle.
struct SerialSettings {
  bool valid = false;
  int32_t baudRate = 0;
  int32_t dataBits = 0;
  int32_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int32_t stopBits = 0;  // 10 one, 20 two
  double timeoutSeconds = 0;
  int32_t writeMode = 0;
  bool terminationEnabled = false;
  std::string path;
};
SerialSettings serialSettings(int32_t handle);

// The next `count` calls (every call when count < 0) of that kind fail with `status` and do
// nothing else.
void failSerialCalls(SerialCall call, int32_t status, int count = -1);
void clearSerialFailures();

// Handles open now.
int openSerialHandles();

// Back to the ports as at load time: every handle closed, default paths, no records or failures.
void resetSerial();

}  // namespace korvane::sim
