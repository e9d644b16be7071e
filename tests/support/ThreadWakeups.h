#pragma once

// How often a thread of this process went to sleep and was woken: its voluntary context switches
// from /proc/self/task/<tid>/status. A thread that blocks until it has work adds one per wakeup.

#include <sys/types.h>

#include <cstdint>

namespace korvane::test {

// The thread's voluntary context switches so far; -1 once it has ended.
int64_t threadWakeups(pid_t tid);

}  // namespace korvane::test
