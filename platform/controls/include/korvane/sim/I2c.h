#pragma once

// Simulation controls of the simulated I2C buses that stand in for the robot's (port 0 on board,
// port 1 on the expansion port).
//
// Over the stand-in's HAL, its I2C functions are the buses: a transfer reaches the device at its
// address, an absent or refusing device and an unopened port make it return -1, and injected
// failures fail it as described below.
//
// Over WPILib's simulation HAL, the buses sit on its I2C simulation callbacks, registered when the
// platform library loads (with the drivers). WPILib decides what a program sees, so there:
// - a transfer carries no device address: it reaches the device attached on its port (with
//   several on one port, the one at the lowest address; the others see nothing), and its record
//   names that device's address;
// - HAL_ReadI2C and HAL_WriteI2C return 0 whatever happens: a device cannot refuse a transfer
//   and failI2cCalls cannot make one fail. A refusal or an injected failure still keeps the
//   bytes from the device (a read then leaves the program's buffer as it was), and the record
//   shows result -1;
// - the ports open and close as WPILib's HAL says: an Initialize is recorded (status 0) when a
//   port opens and a Close when it closes, not for a call that changes nothing; failures
//   injected into Initialize and Close have no effect; resetI2c leaves the ports as WPILib holds
//   them.
//
// Threading: every function may be called from any thread at any time, concurrently with the HAL
// I2C functions. A device is called on the thread of the transfer, with no bus lock held; one
// device sees one transfer at a time.

#include <cstdint>
#include <memory>
#include <vector>

namespace korvane::sim {

// A device model on an I2C bus at one 7-bit address.
class I2cDevice {
 public:
  virtual ~I2cDevice() = default;
  // The robot wrote these bytes; false when the device does not acknowledge.
  virtual bool onWrite(const uint8_t* data, int size) = 0;
  // The robot reads `size` bytes into `data`; false when the device does not acknowledge.
  virtual bool onRead(uint8_t* data, int size) = 0;
};

enum class I2cCall : int { Initialize = 0, Write = 1, Read = 2, Close = 3 };
constexpr int kI2cCallCount = 4;

struct I2cTransaction {
  I2cCall call = I2cCall::Initialize;
  int port = 0;
  int address = 0;             // 0 for Initialize and Close
  int requested = 0;           // bytes asked to write or read
  std::vector<uint8_t> bytes;  // written, or read (empty when the read failed)
  int result = 0;              // transfer result, or the status of Initialize
  int64_t timestampUs = 0;     // monotonic, same clock as hal::fpga_clock
};

// Every HAL I2C call since the last clear, oldest first (the newest kI2cLogCapacity).
constexpr size_t kI2cLogCapacity = 1 << 16;
std::vector<I2cTransaction> i2cTransactions();
void clearI2cTransactions();

using I2cDeviceId = int;
// Puts the device on the bus at (port, 7-bit address), replacing one already there.
I2cDeviceId attachI2cDevice(int port, int address, std::shared_ptr<I2cDevice> device);
// After it returns no new transfer reaches the device; one already running may still finish.
void detachI2cDevice(I2cDeviceId id);

// The next `count` calls of that kind (every call when count < 0) fail: transfers return -1
// without reaching the device, Initialize reports `status`.
void failI2cCalls(I2cCall call, int count = -1, int32_t status = -1);
void clearI2cFailures();

// True between a successful HAL_InitializeI2C of the port and its HAL_CloseI2C.
bool i2cPortOpen(int port);

// Back to the buses as at load time: no records, devices, failures or open ports.
void resetI2c();

}  // namespace korvane::sim
