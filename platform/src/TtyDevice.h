#pragma once

// One open tty behind a HAL serial handle: a serial port or pseudo-terminal on Linux, a COM port
// on Windows. It opens in the controller's defaults (9600 baud, 8 data bits, no parity, one stop
// bit, raw bytes, no flow control) and has a wake-up that ends a blocked read or write at once.
//
// Threading: one reader and one writer at a time, beside calls that change or read settings;
// wake() from any thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace korvane::platform::serial {

class TtyDevice {
 public:
  // Null, with *status negative (minus errno on Linux), when the path cannot be opened or set up.
  static std::unique_ptr<TtyDevice> open(const std::string& path, int32_t* status);
  virtual ~TtyDevice() = default;

  // 0, kSerialParameterOutOfRange for a value the HAL does not know, or the system's error
  // (positive: errno on Linux, as the robot's HAL).
  virtual int32_t setBaudRate(int32_t baud) = 0;
  virtual int32_t setDataBits(int32_t bits) = 0;
  // 0 none, 1 odd, 2 even, 3 mark, 4 space
  virtual int32_t setParity(int32_t parity) = 0;
  // 10 one, 15 one and a half, 20 two
  virtual int32_t setStopBits(int32_t stopBits) = 0;

  struct Settings {
    bool valid = false;
    int32_t baudRate = 0;
    int32_t dataBits = 0;
    int32_t parity = 0;
    int32_t stopBits = 0;
  };
  // As the tty holds them now.
  virtual Settings settings() const = 0;
  // A pseudo-terminal carries bytes, not bits: it keeps 8 data bits without parity whatever it is
  // told, so its word format is kept by the caller instead.
  virtual bool pseudoTerminal() const = 0;

  // Bytes received and not read yet; sets *status (0 or the system's error, positive).
  virtual int32_t bytesWaiting(int32_t* status) = 0;
  // Reads until count bytes arrived, the deadline (monotonic µs) passed, `closed` was set (the
  // caller then wakes the tty) or the tty failed; returns the bytes read, *status the system's
  // error (positive) on failure, kSerialHandleError when closed.
  virtual int32_t read(char* buffer, int32_t count, int64_t deadlineUs,
                       const std::atomic<bool>& closed, int32_t* status) = 0;
  // Writes until every byte is taken, the deadline passed, `closed` was set or the tty failed.
  virtual int32_t write(const char* buffer, int32_t count, int64_t deadlineUs,
                        const std::atomic<bool>& closed, int32_t* status) = 0;
  // Ends a read or write blocked now, and every later wait.
  virtual void wake() = 0;
};

}  // namespace korvane::platform::serial
