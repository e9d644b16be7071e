#pragma once

// What one thread of this process costs over a window that starts when the meter is made: its
// share of a core and its wakeups (voluntary context switches) per second. For benchmarks of
// reader and worker threads.

#include <sys/types.h>

#include <chrono>
#include <cstdint>

namespace korvane::test {

class ThreadMeter {
 public:
  struct Reading {
    double seconds = 0.0;           // length of the window so far
    double cpuShare = 0.0;          // CPU seconds per second of the window
    double wakeupsPerSecond = 0.0;  // voluntary context switches per second of the window
  };

  explicit ThreadMeter(pid_t tid);
  // The figures from the meter's start until now.
  Reading read() const;

 private:
  pid_t tid_;
  std::chrono::steady_clock::time_point start_;
  double cpuAtStart_;
  int64_t wakeupsAtStart_;
};

}  // namespace korvane::test
