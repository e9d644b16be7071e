#pragma once

// A simulated device on the CAN bus with a clock thread of its own (status frames, timeouts).
//
// start() puts the device on the bus and runs run() on the clock thread; detach() takes it off
// the bus and joins the thread. A derived class calls detach() first thing in its destructor, so
// the clock never runs against a half-destroyed object.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "korvane/sim/Can.h"

namespace korvane::sim {

class ClockedCanDevice : public CanDevice {
 public:
  ~ClockedCanDevice() override;
  // Takes the device off the bus and stops its clock. Safe to call more than once, from any
  // thread but the clock's own.
  void detach();

 protected:
  static void start(const std::shared_ptr<ClockedCanDevice>& device);
  // The clock thread's body: returns once stopping_ is true. Waits on wake_ under mutex_.
  virtual void run() = 0;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;

 private:
  std::thread clock_;
  ListenerId listener_ = 0;
};

}  // namespace korvane::sim
