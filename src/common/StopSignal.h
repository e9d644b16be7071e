#pragma once

// A stop request that a thread blocked on a port notices at once. It is an eventfd that becomes
// readable when stop is requested, so a reader can wait for its port and for stop in one poll and
// needs no timer to look at a flag.
//
// Threading: request(), reset(), requested() and the waits may be called from any thread.

#include <atomic>

namespace korvane {

class StopSignal {
 public:
  // Throws std::system_error when the kernel gives no eventfd (descriptors exhausted).
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  // Wakes every waiter, now and until reset().
  void request();
  // Withdraws the request, so the thread it stopped can be started again.
  void reset();
  bool requested() const { return requested_.load(); }
  // Waits up to timeoutMs (-1: no limit) for a request; true when one was made.
  bool waitFor(int timeoutMs) const;
  // The descriptor to poll for POLLIN next to a port.
  int fd() const { return fd_; }

 private:
  int fd_;
  std::atomic<bool> requested_{false};
};

}  // namespace korvane
