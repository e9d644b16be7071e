// A tty on a COM port, opened for overlapped I/O; an event wakes blocked reads and writes. A read
// asks for what is waiting, or for one byte while nothing is (a read of more than is there waits
// for all of it), so bytes are never held in a read that is then cancelled.

#include "TtyDevice.h"

#include <windows.h>

#include <algorithm>

#include "MonotonicTime.h"
#include "korvane/sim/Serial.h"

namespace korvane::platform::serial {
namespace {

using korvane::sim::kSerialHandleError;
using korvane::sim::kSerialParameterOutOfRange;

constexpr int32_t kBauds[] = {1200,  2400,   4800,   9600,   19200, 38400,
                              57600, 115200, 230400, 460800, 921600};

DWORD millisecondsLeft(int64_t deadlineUs) {
  int64_t left = deadlineUs - monotonicMicros();
  return left <= 0 ? 0 : static_cast<DWORD>((left + 999) / 1000);
}

// An open port's failure: the system's error code, positive, as the robot's HAL gives errno.
int32_t lastErrorStatus() {
  return static_cast<int32_t>(GetLastError());
}

// A failed opening: negative, as the robot's HAL gives minus errno for opening alone.
int32_t openErrorStatus() {
  return -static_cast<int32_t>(GetLastError());
}

// "COM5" and "\\.\COM5" both open COM5 (the prefix is needed from COM10 on).
std::string deviceName(const std::string& path) {
  return path.rfind("\\\\", 0) == 0 ? path : "\\\\.\\" + path;
}

class ComPort : public TtyDevice {
 public:
  ComPort(HANDLE port, HANDLE wake, HANDLE readDone, HANDLE writeDone)
      : port_(port), wake_(wake), readDone_(readDone), writeDone_(writeDone) {}
  ~ComPort() override {
    CloseHandle(port_);
    CloseHandle(wake_);
    CloseHandle(readDone_);
    CloseHandle(writeDone_);
  }

  int32_t setBaudRate(int32_t baud) override {
    if (std::find(std::begin(kBauds), std::end(kBauds), baud) == std::end(kBauds)) {
      return kSerialParameterOutOfRange;
    }
    return change([baud](DCB& dcb) { dcb.BaudRate = static_cast<DWORD>(baud); });
  }

  int32_t setDataBits(int32_t bits) override {
    if (bits < 5 || bits > 8) return kSerialParameterOutOfRange;
    return change([bits](DCB& dcb) { dcb.ByteSize = static_cast<BYTE>(bits); });
  }

  int32_t setParity(int32_t parity) override {
    // The HAL's numbers are Windows' own: none, odd, even, mark, space.
    if (parity < 0 || parity > 4) return kSerialParameterOutOfRange;
    return change([parity](DCB& dcb) {
      dcb.Parity = static_cast<BYTE>(parity);
      dcb.fParity = parity != 0;
    });
  }

  int32_t setStopBits(int32_t stopBits) override {
    BYTE value;
    switch (stopBits) {
      case 10:
        value = ONESTOPBIT;
        break;
      case 15:
        value = ONE5STOPBITS;
        break;
      case 20:
        value = TWOSTOPBITS;
        break;
      default:
        return kSerialParameterOutOfRange;
    }
    return change([value](DCB& dcb) { dcb.StopBits = value; });
  }

  Settings settings() const override {
    Settings result;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb)) return result;
    result.valid = true;
    result.baudRate = static_cast<int32_t>(dcb.BaudRate);
    result.dataBits = dcb.ByteSize;
    result.parity = dcb.Parity;
    result.stopBits = dcb.StopBits == ONESTOPBIT ? 10 : dcb.StopBits == ONE5STOPBITS ? 15 : 20;
    return result;
  }

  bool pseudoTerminal() const override { return false; }

  int32_t bytesWaiting(int32_t* status) override {
    COMSTAT state{};
    DWORD errors = 0;
    if (!ClearCommError(port_, &errors, &state)) {
      *status = lastErrorStatus();
      return 0;
    }
    *status = 0;
    return static_cast<int32_t>(state.cbInQue);
  }

  int32_t read(char* buffer, int32_t count, int64_t deadlineUs, const std::atomic<bool>& closed,
               int32_t* status) override {
    int32_t got = 0;
    *status = 0;
    while (got < count) {
      if (closed.load()) {
        *status = kSerialHandleError;
        break;
      }
      int32_t waiting = bytesWaiting(status);
      if (*status != 0) break;
      DWORD want = waiting > 0 ? static_cast<DWORD>(std::min(waiting, count - got)) : 1;
      DWORD done = 0;
      bool finished = transfer(readDone_, deadlineUs, &done, status, [&](OVERLAPPED* pending) {
        return ReadFile(port_, buffer + got, want, nullptr, pending);
      });
      got += static_cast<int32_t>(done);
      if (!finished) break;
    }
    return got;
  }

  int32_t write(const char* buffer, int32_t count, int64_t deadlineUs,
                const std::atomic<bool>& closed, int32_t* status) override {
    DWORD done = 0;
    *status = 0;
    if (count > 0 && !closed.load()) {
      transfer(writeDone_, deadlineUs, &done, status, [&](OVERLAPPED* pending) {
        return WriteFile(port_, buffer, static_cast<DWORD>(count), nullptr, pending);
      });
    }
    if (*status == 0 && closed.load()) *status = kSerialHandleError;
    return static_cast<int32_t>(done);
  }

  void wake() override { SetEvent(wake_); }

 private:
  template <class Change>
  int32_t change(Change edit) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb)) return lastErrorStatus();
    edit(dcb);
    return SetCommState(port_, &dcb) ? 0 : lastErrorStatus();
  }

  // Starts an overlapped transfer and waits for it, for the deadline or for the wake-up. True
  // when it completed; false after the deadline or the wake-up (it is then cancelled; what it
  // moved counts) or a failure (*status negative).
  template <class Start>
  bool transfer(HANDLE done, int64_t deadlineUs, DWORD* moved, int32_t* status, Start start) {
    OVERLAPPED pending{};
    ResetEvent(done);
    pending.hEvent = done;
    *moved = 0;
    if (!start(&pending) && GetLastError() != ERROR_IO_PENDING) {
      *status = lastErrorStatus();
      return false;
    }
    HANDLE waits[2] = {done, wake_};
    DWORD woken = WaitForMultipleObjects(2, waits, FALSE, millisecondsLeft(deadlineUs));
    if (woken != WAIT_OBJECT_0) CancelIoEx(port_, &pending);
    if (GetOverlappedResult(port_, &pending, moved, TRUE)) return woken == WAIT_OBJECT_0;
    if (GetLastError() != ERROR_OPERATION_ABORTED) *status = lastErrorStatus();
    return false;
  }

  const HANDLE port_;
  const HANDLE wake_;  // manual reset: once woken, every later wait ends at once
  const HANDLE readDone_;
  const HANDLE writeDone_;
};

}  // namespace

std::unique_ptr<TtyDevice> TtyDevice::open(const std::string& path, int32_t* status) {
  HANDLE port = CreateFileA(deviceName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    *status = openErrorStatus();
    return nullptr;
  }
  // The controller's defaults: 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  COMMTIMEOUTS timeouts{};  // none: a read waits for its count, a write until it is taken
  bool ready = GetCommState(port, &dcb);
  if (ready) {
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    ready = SetCommState(port, &dcb) && SetCommTimeouts(port, &timeouts);
  }
  HANDLE wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE writeDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ready || wake == nullptr || readDone == nullptr || writeDone == nullptr) {
    *status = openErrorStatus();
    for (HANDLE h : {wake, readDone, writeDone}) {
      if (h != nullptr) CloseHandle(h);
    }
    CloseHandle(port);
    return nullptr;
  }
  *status = 0;
  return std::make_unique<ComPort>(port, wake, readDone, writeDone);
}

}  // namespace korvane::platform::serial
