#pragma once

// A simulated device on one CAN bus with a clock thread of its own (status frames, timeouts). It
// hears only the frames sent on its bus, and its frames go on that bus.
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
  int32_t bus() const { return bus_; }

 protected:
  explicit ClockedCanDevice(int32_t bus) : bus_(bus) {}
  // Whether a frame sent by the robot side is on this device's bus.
  bool onMyBus(const CanFrame& frame) const { return frame.bus == bus_; }
  // A frame from this device, on its bus.
  void publishFrame(uint32_t id, const uint8_t* data, uint8_t size) const {
    injectFrame(bus_, id, data, size);
  }

  static void start(const std::shared_ptr<ClockedCanDevice>& device);
  // The clock thread's body: returns once stopping_ is true. Waits on wake_ under mutex_.
  virtual void run() = 0;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;

 private:
  const int32_t bus_;
  std::thread clock_;
  ListenerId listener_ = 0;
};

}  // namespace korvane::sim
