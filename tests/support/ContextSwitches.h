#pragma once

// How often a thread has gone to sleep, from /proc: a thread that blocks until it has work
// sleeps once per wakeup, so the count over a window is its wakeup rate.

#include <sys/types.h>

namespace korvane::test {

// voluntary_ctxt_switches of one thread of this process; -1 once it has ended.
long voluntaryContextSwitches(pid_t tid);

}  // namespace korvane::test
