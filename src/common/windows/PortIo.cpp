#include "common/PortIo.h"

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>

#include "common/Sleep.h"
#include "common/windows/PortHandles.h"

namespace korvane {

namespace windows {

namespace {

std::mutex g_namesMutex;
std::map<int, std::string>& names() {
  static auto* table = new std::map<int, std::string>;  // never destroyed: used until exit
  return *table;
}

struct ThreadEvents {
  HANDLE events[2] = {nullptr, nullptr};
  ~ThreadEvents() {
    for (HANDLE event : events) {
      if (event != nullptr) CloseHandle(event);
    }
  }
};

}  // namespace

HANDLE portHandle(int fd) {
  if (fd < 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

void rememberPortName(int fd, const std::string& name) {
  std::lock_guard lock(g_namesMutex);
  names()[fd] = name;
}

void forgetPortName(int fd) {
  std::lock_guard lock(g_namesMutex);
  names().erase(fd);
}

std::string portName(int fd) {
  std::lock_guard lock(g_namesMutex);
  auto it = names().find(fd);
  return it == names().end() ? std::string() : it->second;
}

HANDLE ioEvent(IoKind kind) {
  thread_local ThreadEvents thread;
  HANDLE& event = thread.events[kind == IoKind::Read ? 0 : 1];
  if (event == nullptr) event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event != nullptr) ResetEvent(event);
  return event;
}

std::string errorText(DWORD code) {
  char text[512];
  DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                              code, 0, text, sizeof text, nullptr);
  while (size > 0 && (text[size - 1] == '\n' || text[size - 1] == '\r' || text[size - 1] == ' ' ||
                      text[size - 1] == '.')) {
    --size;
  }
  if (size == 0) return "error " + std::to_string(code);
  return std::string(text, size);
}

}  // namespace windows

namespace {

using Clock = std::chrono::steady_clock;

DWORD millisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<DWORD>(std::max<int64_t>(0, left));
}

// Bytes still queued for transmission; 0 when the driver cannot tell.
DWORD queuedForOutput(HANDLE port) {
  COMSTAT state{};
  DWORD errors = 0;
  return ClearCommError(port, &errors, &state) ? state.cbOutQue : 0;
}

// A byte takes about 87 µs at 115200 baud; waiting that long per queued byte (at least 1 ms)
// wakes a few times per drain instead of polling the queue.
constexpr int64_t kMicrosPerQueuedByte = 90;

}  // namespace

WriteResult writeAllBefore(int fd, const unsigned char* data, size_t len,
                           Clock::time_point deadline) {
  HANDLE port = windows::portHandle(fd);
  if (port == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return WriteResult::Failed;
  }
  OVERLAPPED pending{};
  pending.hEvent = windows::ioEvent(windows::IoKind::Write);
  DWORD written = 0;
  if (!WriteFile(port, data, static_cast<DWORD>(len), &written, &pending)) {
    if (GetLastError() != ERROR_IO_PENDING) {
      errno = EIO;
      return WriteResult::Failed;
    }
    if (WaitForSingleObject(pending.hEvent, millisecondsUntil(deadline)) != WAIT_OBJECT_0) {
      CancelIoEx(port, &pending);
      GetOverlappedResult(port, &pending, &written, TRUE);
      return WriteResult::TimedOut;
    }
    if (!GetOverlappedResult(port, &pending, &written, FALSE)) {
      errno = EIO;
      return WriteResult::Failed;
    }
  }
  if (written < len) {
    errno = EIO;
    return WriteResult::Failed;
  }
  while (DWORD queued = queuedForOutput(port)) {
    if (Clock::now() >= deadline) return WriteResult::TimedOut;
    int64_t pause = std::max<int64_t>(1000, queued * kMicrosPerQueuedByte);
    int64_t left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    sleepMicroseconds(std::min(pause, std::max<int64_t>(left, 0)));
  }
  return WriteResult::Done;
}

const char* describePort(int fd, char* buffer, size_t size) {
  std::string name = windows::portName(fd);
  if (name.empty()) {
    std::snprintf(buffer, size, "fd %d", fd);
  } else {
    std::snprintf(buffer, size, "%s", name.c_str());
  }
  return buffer;
}

}  // namespace korvane
