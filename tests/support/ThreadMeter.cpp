#include "ThreadMeter.h"

#include "ThreadCpu.h"
#include "ThreadWakeups.h"

namespace korvane::test {

ThreadMeter::ThreadMeter(pid_t tid)
    : tid_(tid),
      start_(std::chrono::steady_clock::now()),
      cpuAtStart_(threadCpuSeconds(tid)),
      wakeupsAtStart_(threadWakeups(tid)) {}

ThreadMeter::Reading ThreadMeter::read() const {
  Reading reading;
  reading.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (reading.seconds <= 0.0) return reading;
  reading.cpuShare = (threadCpuSeconds(tid_) - cpuAtStart_) / reading.seconds;
  reading.wakeupsPerSecond =
      static_cast<double>(threadWakeups(tid_) - wakeupsAtStart_) / reading.seconds;
  return reading;
}

}  // namespace korvane::test
