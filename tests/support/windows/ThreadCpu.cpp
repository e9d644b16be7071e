// The process's threads from a Toolhelp snapshot, their CPU time from GetThreadTimes.

#include "ThreadCpu.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <tlhelp32.h>

#include <cstdint>

namespace korvane::test {

std::set<pid_t> threadIds() {
  std::set<pid_t> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == self) ids.insert(static_cast<pid_t>(entry.th32ThreadID));
  }
  CloseHandle(snapshot);
  return ids;
}

std::vector<pid_t> threadsStartedSince(const std::set<pid_t>& before) {
  std::vector<pid_t> started;
  for (pid_t id : threadIds()) {
    if (!before.count(id)) started.push_back(id);
  }
  return started;
}

double threadCpuSeconds(pid_t tid) {
  HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(tid));
  if (thread == nullptr) return 0;
  FILETIME created, exited, kernel, user;
  double seconds = 0;
  if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
    auto ticks = [](const FILETIME& t) {
      return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    seconds = (ticks(kernel) + ticks(user)) / 1e7;
  }
  CloseHandle(thread);
  return seconds;
}

double threadCpuSeconds(const std::vector<pid_t>& tids) {
  double total = 0;
  for (pid_t tid : tids) total += threadCpuSeconds(tid);
  return total;
}

}  // namespace korvane::test
