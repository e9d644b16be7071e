#pragma once

// CPU time of this process's threads, from /proc/self/task: lets tests and benchmarks find the
// threads a driver started and measure how much CPU they burn.

#include <sys/types.h>

#include <set>
#include <vector>

namespace korvane::test {

// Thread ids of this process now.
std::set<pid_t> threadIds();
// Threads that exist now but were not in `before`.
std::vector<pid_t> threadsStartedSince(const std::set<pid_t>& before);
// CPU seconds of one thread (the kernel's per-thread clock, else /proc ticks); 0 once it has
// ended.
double threadCpuSeconds(pid_t tid);
// The summed CPU seconds of several threads.
double threadCpuSeconds(const std::vector<pid_t>& tids);

}  // namespace korvane::test
