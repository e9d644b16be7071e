#include "ThreadCpu.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#if defined(__SANITIZE_THREAD__)
#define KORVANE_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KORVANE_UNDER_TSAN 1
#endif
#endif

namespace korvane::test {

namespace {

// ThreadSanitizer's runtime starts a background thread of its own when the program starts its
// first thread. Start (and join) that first thread before the first listing, so the runtime's
// thread is already there and is never taken for one a driver started.
void letTheSanitizerStartItsThread() {
#ifdef KORVANE_UNDER_TSAN
  static std::once_flag once;
  std::call_once(once, [] { std::thread([] {}).join(); });
#endif
}

}  // namespace

std::set<pid_t> threadIds() {
  letTheSanitizerStartItsThread();
  std::set<pid_t> ids;
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return ids;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9') ids.insert(std::atoi(entry->d_name));
  }
  closedir(dir);
  return ids;
}

std::vector<pid_t> threadsStartedSince(const std::set<pid_t>& before) {
  std::vector<pid_t> started;
  for (pid_t id : threadIds()) {
    if (!before.count(id)) started.push_back(id);
  }
  return started;
}

namespace {

// The kernel's CPU clock of one thread of this process, to the nanosecond: the clock id that
// pthread_getcpuclockid() builds, made from the thread id.
bool threadClockSeconds(pid_t tid, double* seconds) {
  constexpr clockid_t kPerThread = 4;
  constexpr clockid_t kSchedClock = 2;
  clockid_t clock =
      static_cast<clockid_t>((~static_cast<unsigned>(tid)) << 3) | kPerThread | kSchedClock;
  timespec t{};
  if (clock_gettime(clock, &t) != 0) return false;
  *seconds = static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  return true;
}

// The same from /proc, in whole clock ticks (10 ms).
double statTickSeconds(pid_t tid) {
  std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return 0.0;
  char line[1024] = {};
  size_t n = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  line[n] = '\0';
  // Fields after the command name, which is in parentheses and may hold spaces: state is
  // field 3, utime field 14, stime field 15.
  const char* rest = std::strrchr(line, ')');
  if (rest == nullptr) return 0.0;
  unsigned long utime = 0, stime = 0;
  if (std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                  &stime) != 2) {
    return 0.0;
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

double threadCpuSeconds(pid_t tid) {
  double seconds = 0.0;
  if (threadClockSeconds(tid, &seconds)) return seconds;
  return statTickSeconds(tid);
}

double threadCpuSeconds(const std::vector<pid_t>& tids) {
  double total = 0.0;
  for (pid_t tid : tids) total += threadCpuSeconds(tid);
  return total;
}

}  // namespace korvane::test
