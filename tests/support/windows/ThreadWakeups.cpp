// Windows keeps no per-thread count of voluntary context switches a test can read: a live thread
// reports 0, a thread that has ended -1. Tests that count wakeups are left out of the Windows run.

#include "ThreadWakeups.h"

#include <windows.h>

namespace korvane::test {

int64_t threadWakeups(pid_t tid) {
  HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(tid));
  if (thread == nullptr) return -1;
  DWORD code = 0;
  bool running = GetExitCodeThread(thread, &code) && code == STILL_ACTIVE;
  CloseHandle(thread);
  return running ? 0 : -1;
}

}  // namespace korvane::test
