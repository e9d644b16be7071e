#pragma once

// How often a thread of this process has gone to sleep and been woken: the kernel's count of its
// voluntary context switches (/proc/self/task/<tid>/status). A thread that blocks until it has
// work adds one per wake-up; one that polls on a timer adds one per tick.

#include <sys/types.h>

#include <fstream>
#include <string>

namespace dystan_test {

// -1 when the thread has ended or the count cannot be read.
inline long voluntarySwitches(pid_t tid) {
  std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "voluntary_ctxt_switches:") {
      long count = -1;
      status >> count;
      return count;
    }
    std::getline(status, key);
  }
  return -1;
}

}  // namespace dystan_test
