#include "common/Sleep.h"

#include <windows.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace korvane {

namespace {

// One waitable timer per sleeping thread, made on its first sleep: high-resolution where Windows
// has them (10 1803 on), else a plain one.
HANDLE threadTimer() {
  struct Timer {
    Timer() {
      handle = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                      TIMER_ALL_ACCESS);
      if (handle == nullptr) {
        handle = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
      }
    }
    ~Timer() {
      if (handle != nullptr) CloseHandle(handle);
    }
    HANDLE handle;
  };
  thread_local Timer timer;
  return timer.handle;
}

}  // namespace

void sleepMicroseconds(int64_t micros) {
  if (micros <= 0) return;
  HANDLE timer = threadTimer();
  LARGE_INTEGER due;
  due.QuadPart = -micros * 10;  // relative, in 100 ns units
  if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
    WaitForSingleObject(timer, INFINITE);
    return;
  }
  Sleep(static_cast<DWORD>((micros + 999) / 1000));
}

}  // namespace korvane
