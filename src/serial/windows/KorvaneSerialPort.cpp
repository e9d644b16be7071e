// Opening, reading and flushing a COM port. The port is opened for overlapped I/O and handed to
// callers as a C runtime descriptor (_open_osfhandle), so the layer keeps its int descriptors.
// A read waits on the port and the stop event together: it asks for one byte when none is
// waiting (completing as soon as one arrives) and for what is waiting otherwise, because a read
// of more than is there waits for all of it (the "return on the first byte" timeouts are not
// honoured by every serial driver).

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <iostream>

#include "KorvaneSerial.h"
#include "common/ConsoleLine.h"
#include "common/StopSignal.h"
#include "common/windows/PortHandles.h"

namespace {

using korvane::windows::portHandle;

DWORD baudRate(int baud) {
  switch (baud) {
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 230400:
    case 460800:
    case 921600:
      return static_cast<DWORD>(baud);
    default:
      return 115200;
  }
}

void reportError(const char* tag, const std::string& what, DWORD code) {
  korvane::printLine(
      std::cerr, std::string("[") + tag + "] " + what + ": " + korvane::windows::errorText(code));
}

// "COM5" and "\\.\COM5" both open COM5 (the prefix is needed from COM10 on).
std::string deviceName(const std::string& path) {
  return path.rfind("\\\\", 0) == 0 ? path : "\\\\.\\" + path;
}

// Reads up to size bytes once at least one is there, waiting up to timeoutMs (-1: no limit) and,
// with a stop event, until it is set. The byte count; 0 after the wait or stop; -1 when the port
// failed or is gone.
int readWhenReady(HANDLE port, unsigned char* buf, int size, HANDLE stop, int timeoutMs) {
  COMSTAT state{};
  DWORD errors = 0;
  if (!ClearCommError(port, &errors, &state)) return -1;
  DWORD want = state.cbInQue > 0 ? std::min<DWORD>(state.cbInQue, static_cast<DWORD>(size)) : 1;
  OVERLAPPED pending{};
  pending.hEvent = korvane::windows::ioEvent(korvane::windows::IoKind::Read);
  DWORD got = 0;
  if (ReadFile(port, buf, want, &got, &pending)) return static_cast<int>(got);
  if (GetLastError() != ERROR_IO_PENDING) return -1;
  HANDLE waits[2] = {pending.hEvent, stop};
  DWORD woken = WaitForMultipleObjects(stop != nullptr ? 2 : 1, waits, FALSE,
                                       timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
  if (woken != WAIT_OBJECT_0) CancelIoEx(port, &pending);
  // After a cancel the read may still have completed first: its bytes count.
  if (GetOverlappedResult(port, &pending, &got, TRUE) || got > 0) return static_cast<int>(got);
  return GetLastError() == ERROR_OPERATION_ABORTED ? 0 : -1;
}

}  // namespace

int KorvaneSerial::Open(const std::string& path, int baud, const char* tag) {
  HANDLE port = CreateFileA(deviceName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    reportError(tag, "Cannot open " + path, GetLastError());
    return -1;
  }
  DCB settings{};
  settings.DCBlength = sizeof settings;
  if (!GetCommState(port, &settings)) {
    reportError(tag, "GetCommState", GetLastError());
    CloseHandle(port);
    return -1;
  }
  // Raw 8N1 without flow control, lines DTR and RTS up as a terminal program leaves them.
  settings.BaudRate = baudRate(baud);
  settings.ByteSize = 8;
  settings.Parity = NOPARITY;
  settings.StopBits = ONESTOPBIT;
  settings.fBinary = TRUE;
  settings.fParity = FALSE;
  settings.fOutxCtsFlow = FALSE;
  settings.fOutxDsrFlow = FALSE;
  settings.fDtrControl = DTR_CONTROL_ENABLE;
  settings.fDsrSensitivity = FALSE;
  settings.fOutX = FALSE;
  settings.fInX = FALSE;
  settings.fErrorChar = FALSE;
  settings.fNull = FALSE;
  settings.fRtsControl = RTS_CONTROL_ENABLE;
  settings.fAbortOnError = FALSE;
  if (!SetCommState(port, &settings)) {
    reportError(tag, "SetCommState", GetLastError());
    CloseHandle(port);
    return -1;
  }
  // No timeouts: a read waits for the count it asks for, a write until it is taken.
  COMMTIMEOUTS timeouts{};
  SetCommTimeouts(port, &timeouts);
  PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(port), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    reportError(tag, "Cannot open " + path, ERROR_TOO_MANY_OPEN_FILES);
    CloseHandle(port);
    return -1;
  }
  korvane::windows::rememberPortName(fd, path);
  return fd;
}

void KorvaneSerial::Close(int fd) {
  if (fd == -1) return;
  korvane::windows::forgetPortName(fd);
  _close(fd);  // closes the port's HANDLE too
}

int KorvaneSerial::ReadWithin(int fd, unsigned char* buf, int size, int waitMs) {
  if (fd == -1 || buf == nullptr || size <= 0) return 0;
  HANDLE port = portHandle(fd);
  int count = port == INVALID_HANDLE_VALUE ? -1 : readWhenReady(port, buf, size, nullptr, waitMs);
  if (count < 0) errno = EIO;
  return count;
}

int KorvaneSerial::Available(int fd) {
  HANDLE port = portHandle(fd);
  COMSTAT state{};
  DWORD errors = 0;
  if (port == INVALID_HANDLE_VALUE || !ClearCommError(port, &errors, &state)) return 0;
  return static_cast<int>(state.cbInQue);
}

int KorvaneSerial::ReadOrStop(int fd, unsigned char* buf, int size, const korvane::StopSignal& stop,
                              int waitMs) {
  if (fd == -1 || buf == nullptr || size <= 0) return -1;
  HANDLE port = portHandle(fd);
  HANDLE stopEvent = reinterpret_cast<HANDLE>(stop.native());
  while (port != INVALID_HANDLE_VALUE && !stop.requested()) {
    int count = readWhenReady(port, buf, size, stopEvent, waitMs);
    if (count > 0) return count;
    if (count < 0) break;
    if (waitMs >= 0) return 0;  // the wait is over, or stop
  }
  if (stop.requested()) return 0;
  return stop.waitFor(kFailedPortPauseMs) ? 0 : -1;
}

void KorvaneSerial::FlushRx(int fd) {
  HANDLE port = portHandle(fd);
  if (port != INVALID_HANDLE_VALUE) PurgeComm(port, PURGE_RXCLEAR);
}
