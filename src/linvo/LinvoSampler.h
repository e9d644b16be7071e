#pragma once

// The line sensor's sampling thread. While somebody reads, it runs one sampling step a period
// after the end of the one before (never sooner, so a step may rely on that much time passing);
// when nobody has read for idleAfter it stops sampling and blocks until the next read. It never
// wakes on a timer while idle.
//
// Threading: every member may be called from any thread. disable() and the destructor stop and
// join the thread; touch() is cheap (two atomic operations, no clock read) while the thread
// samples.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane::linvo {

class Sampler {
 public:
  using Clock = std::chrono::steady_clock;

  // onSampling (when given) is told, on the thread, when sampling starts and when it pauses.
  Sampler(std::function<void()> step, Clock::duration period, Clock::duration idleAfter,
          std::function<void(bool sampling)> onSampling = {});
  ~Sampler();
  Sampler(const Sampler&) = delete;
  Sampler& operator=(const Sampler&) = delete;

  // Lets touch() start the thread.
  void enable();
  // Stops and joins the thread; touch() does nothing until enable().
  void disable();
  // A read: starts the thread on the first read after enable(), wakes it when it went idle.
  void touch();

 private:
  void run();
  // Whether a read came within idleAfter of now: a read seen since the last look counts as now.
  bool readRecently(Clock::time_point now);

  const std::function<void()> step_;
  const std::function<void(bool)> onSampling_;
  const Clock::duration period_;
  const Clock::duration idleAfter_;
  std::mutex lifecycle_;  // enable, disable and starting the thread
  std::mutex mutex_;      // stopping_ and the wait
  std::condition_variable wake_;
  std::thread thread_;
  bool enabled_ = false;
  bool stopping_ = false;
  bool startFailed_ = false;
  std::atomic<bool> sampling_{false};
  // Set by every read, taken by the thread: the caller's thread never reads the clock (on the
  // roboRIO every clock read is a system call). The thread dates a read by its next look, at most
  // a period late.
  std::atomic<bool> readSinceLook_{false};
  Clock::time_point lastRead_{};  // the thread's own
};

}  // namespace korvane::linvo
