#pragma once

// A stop request that a thread blocked on a port notices at once. It is something the operating
// system waits on beside the port (an eventfd that becomes readable on Linux, an event that is set
// on Windows), so a reader waits for its port and for stop in one call and needs no timer to look
// at a flag.
//
// Threading: request(), reset(), requested() and the waits may be called from any thread.

#include <atomic>
#include <cstdint>

namespace korvane {

class StopSignal {
 public:
  // Throws std::system_error when the system gives none (descriptors or handles exhausted).
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
  // What to wait on next to a port: the eventfd descriptor to poll for POLLIN, or the event
  // HANDLE on Windows.
  intptr_t native() const { return native_; }

 private:
  intptr_t native_;
  std::atomic<bool> requested_{false};
};

}  // namespace korvane
