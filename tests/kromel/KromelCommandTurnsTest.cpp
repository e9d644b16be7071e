// Commands of one colour sensor sent from two threads through korvane::Kromel take turns: over CAN
// each command frame goes out only once the one before has its acknowledgement, so neither
// command can take the other's.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimBus.h"
#include "korvane/Kromel.h"
#include "korvane/sim/Can.h"

using namespace korvane;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kCommand = 0x04090500;
constexpr uint32_t kAck = 0x04090585;
constexpr int kSetBrightness = 21;
constexpr int kSetStatusLed = 23;

// A sensor that acknowledges each command frame a little later, from a thread of its own, as a
// real one answers over the bus; it logs the frames it sees and the answers it gives in order.
class SlowSensor : public sim::CanDevice {
 public:
  SlowSensor() : answerer_([this] { answer(); }) {}
  ~SlowSensor() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    answerer_.join();
  }

  void onFrameSent(const sim::CanFrame& frame) override {
    if (frame.id < kCommand || frame.id >= kCommand + 0x40) return;
    const auto command = static_cast<uint8_t>(frame.id - kCommand);
    {
      std::lock_guard lock(mutex_);
      log_.push_back("command " + std::to_string(command));
      pending_.push_back(command);
    }
    wake_.notify_all();
  }

  std::vector<std::string> log() {
    std::lock_guard lock(mutex_);
    return log_;
  }

 private:
  void answer() {
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
      if (stopping_) return;
      const uint8_t command = pending_.front();
      pending_.pop_front();
      // Room for a second command frame to go out while this one waits, were turns not kept.
      wake_.wait_for(lock, 15ms, [&] { return stopping_; });
      log_.push_back("ack " + std::to_string(command));
      lock.unlock();
      sim::injectFrame(kAck, {command, 0, 0, 0, 0, 0});
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<uint8_t> pending_;
  std::vector<std::string> log_;
  bool stopping_ = false;
  std::thread answerer_;  // last: starts once the rest exists
};

class KromelCommandTurnsTest : public test::SimBusTest {};

TEST_F(KromelCommandTurnsTest, TwoThreadsCommandsNeverInterleaveTheirFrames) {
  auto device = std::make_shared<SlowSensor>();
  const sim::ListenerId listener = sim::attachDevice(device);
  Kromel sensor(4);
  ASSERT_TRUE(sensor.IsOpen());

  constexpr int kEach = 8;
  int brightnessAccepted = 0;
  int ledAccepted = 0;
  std::thread brightness([&] {
    for (int i = 0; i < kEach; ++i) brightnessAccepted += sensor.SetBrightness(10 + i) ? 1 : 0;
  });
  std::thread led([&] {
    for (int i = 0; i < kEach; ++i) ledAccepted += sensor.SetStatusLed(true, 20 + i) ? 1 : 0;
  });
  brightness.join();
  led.join();
  sim::detachDevice(listener);

  EXPECT_EQ(brightnessAccepted, kEach) << "each took its own acknowledgement";
  EXPECT_EQ(ledAccepted, kEach);
  const std::vector<std::string> log = device->log();
  ASSERT_EQ(log.size(), 4u * kEach);
  int brightnessSent = 0;
  int ledSent = 0;
  for (size_t i = 0; i < log.size(); i += 2) {
    ASSERT_EQ(log[i].rfind("command ", 0), 0u) << "entry " << i << ": " << log[i];
    EXPECT_EQ(log[i + 1], "ack " + log[i].substr(8))
        << "entry " << i + 1 << ": a command went out before the one before was answered";
    if (log[i] == "command " + std::to_string(kSetBrightness)) ++brightnessSent;
    if (log[i] == "command " + std::to_string(kSetStatusLed)) ++ledSent;
  }
  EXPECT_EQ(brightnessSent, kEach);
  EXPECT_EQ(ledSent, kEach);
}

}  // namespace
