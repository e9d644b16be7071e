// The line sensor's sampling thread against the simulated converter: its bus sequence, its
// sharing of the bus with blocking readings, its pause without readings, and close. The readings
// are korvane::Linvo's; the blocking readings in between are the statics' c_getRawValue.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LinvoBus.h"
#include "LinvoJNI.h"
#include "SimBus.h"
#include "ThreadCpu.h"
#include "ThreadWakeups.h"
#include "Wait.h"
#include "korvane/Linvo.h"
#include "korvane/sim/I2c.h"
#include "sim/linvo/LinvoSim.h"

using namespace korvane;
using sim::I2cCall;
using sim::I2cTransaction;
using test::transfers;

namespace {

// Counts the converter gives for these inputs at the default gain (1 mV a count).
constexpr int kCounts[4] = {100, 700, 1300, 1900};

class LinvoSamplerTest : public test::LinvoConverterTest {
 protected:
  void SetUp() override {
    test::LinvoConverterTest::SetUp();
    for (int channel = 0; channel < 4; ++channel) {
      converter->setVoltage(channel, kCounts[channel] / 1000.0);
    }
    threadsBefore = test::threadIds();
    linvo.emplace(open(2.048f));
    ASSERT_TRUE(linvo->IsOpen());
  }
  void TearDown() override {
    linvo.reset();
    test::LinvoConverterTest::TearDown();
  }

  // Reads every channel, as a robot loop would, until each gives its count.
  bool allChannelsSampled() {
    return test::waitUntil([&] {
      for (int channel = 0; channel < 4; ++channel) {
        if (linvo->GetRawValue(channel) != kCounts[channel]) return false;
      }
      return true;
    });
  }

  std::set<pid_t> threadsBefore;
  std::optional<Linvo> linvo;
};

TEST_F(LinvoSamplerTest, AnOpenedSensorSamplesAtOnce) {
  EXPECT_EQ(test::threadsStartedSince(threadsBefore).size(), 1u) << "the opening's reading";
  ASSERT_TRUE(allChannelsSampled());
  EXPECT_EQ(linvo->GetVoltage(3), 1900 * 2.048f / 2048);
  EXPECT_EQ(linvo->GetRawValue(4), 0);
  EXPECT_EQ(linvo->GetRawValue(-1), 0);
}

// The statics' initialisation starts no thread until the first reading, which lets the whole bus
// sequence of the sampler be seen from its first step.
TEST_F(LinvoSamplerTest, EachStepReadsTheChannelSelectedOneStepBeforeThenSelectsTheNext) {
  linvo.reset();
  ASSERT_TRUE(test::waitUntil([&] { return test::threadsStartedSince(threadsBefore).empty(); }));
  ASSERT_TRUE(initialize(2.048f));
  EXPECT_TRUE(test::threadsStartedSince(threadsBefore).empty()) << "no thread before a reading";
  sim::clearI2cTransactions();
  ASSERT_TRUE(test::waitUntil([] {
    for (uint8_t channel = 0; channel < 4; ++channel) {
      if (LinvoJNI::c_getLatestRawValue(channel) != kCounts[channel]) return false;
    }
    return true;
  }));
  EXPECT_EQ(LinvoJNI::c_getLatestVoltage(3), 1900 * 2.048f / 2048);
  EXPECT_EQ(LinvoJNI::c_getLatestRawValue(4), 0);

  auto t = transfers();
  ASSERT_GE(t.size(), 13u);
  EXPECT_EQ(test::hex(t[0].bytes), "01 C4 80") << "the first step only selects channel 0";
  const char* selects[4] = {"01 C4 80", "01 D4 80", "01 E4 80", "01 F4 80"};
  for (size_t step = 1; 3 * step + 1 <= t.size(); ++step) {
    const I2cTransaction& pointer = t[3 * step - 2];
    const I2cTransaction& read = t[3 * step - 1];
    const I2cTransaction& select = t[3 * step];
    EXPECT_EQ(pointer.call, I2cCall::Write);
    EXPECT_EQ(test::hex(pointer.bytes), "00 00") << "step " << step;
    EXPECT_EQ(read.call, I2cCall::Read);
    EXPECT_EQ(test::hex(select.bytes), selects[step % 4]) << "step " << step;
    // The converter had at least one conversion period (625 us at 1600/s) since the selection.
    EXPECT_GE(read.timestampUs - t[3 * step - 3].timestampUs, 625) << "step " << step;
  }
  LinvoJNI::c_closeI2C();
}

// A blocking reading switches the converter to its channel; the sampler must not take the
// conversion it finds next for its own channel.
TEST_F(LinvoSamplerTest, BlockingReadingsInBetweenNeverMixUpTheChannels) {
  ASSERT_TRUE(allChannelsSampled());
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (std::chrono::steady_clock::now() < until) {
    EXPECT_EQ(LinvoJNI::c_getRawValue(3), kCounts[3]);
    for (int channel = 0; channel < 4; ++channel) {
      ASSERT_EQ(linvo->GetRawValue(channel), kCounts[channel]) << "channel " << channel;
    }
  }
  converter->setVoltage(1, 0.5);
  EXPECT_TRUE(test::waitUntil([&] { return linvo->GetRawValue(1) == 500; }));
}

TEST_F(LinvoSamplerTest, WithoutReadingsTheSamplerSleepsWithoutWakingAndCloseJoinsIt) {
  ASSERT_TRUE(allChannelsSampled());
  auto threads = test::threadsStartedSince(threadsBefore);
  ASSERT_EQ(threads.size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(1300));
  sim::clearI2cTransactions();
  int64_t wakeups = test::threadWakeups(threads[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(sim::i2cTransactions().empty());
  EXPECT_EQ(test::threadWakeups(threads[0]), wakeups) << "idle: blocked, no timer";

  converter->setVoltage(2, 0.25);
  linvo->GetRawValue(0);
  EXPECT_TRUE(test::waitUntil([&] { return linvo->GetRawValue(2) == 250; }))
      << "the reading woke it";

  linvo->Close();
  // A joined thread can stay listed in /proc a moment longer (most of all under qemu).
  EXPECT_TRUE(test::waitUntil([&] { return test::threadWakeups(threads[0]) == -1; })) << "joined";
  sim::clearI2cTransactions();
  EXPECT_EQ(linvo->GetRawValue(2), 0) << "closed";
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(sim::i2cTransactions().empty()) << "a reading after close starts nothing";
  EXPECT_TRUE(test::threadsStartedSince(threadsBefore).empty()) << "no sampler after close";
}

// Readings now and then, each less than the idle time after the one before, keep it sampling
// through the gaps: each reading is noticed while it samples, not only when it wakes it.
TEST_F(LinvoSamplerTest, ReadingsLessThanTheIdleTimeApartKeepItSampling) {
  ASSERT_TRUE(allChannelsSampled());
  for (int gap = 0; gap < 6; ++gap) {  // 1.8 s in all, longer than the idle time
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    sim::clearI2cTransactions();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // some 25 steps
    EXPECT_FALSE(sim::i2cTransactions().empty()) << "paused in gap " << gap;
    linvo->GetRawValue(1);
  }
}

// Opening again opens a new sensor in place of the one before: the old sampler is joined before
// the opening returns, and the new one samples for the readings that follow.
TEST_F(LinvoSamplerTest, OpeningAgainJoinsTheReplacedSamplerAndTheNewOneSamples) {
  ASSERT_TRUE(allChannelsSampled());
  auto first = test::threadsStartedSince(threadsBefore);
  ASSERT_EQ(first.size(), 1u);

  Linvo next = open(2.048f);
  EXPECT_EQ(lines, "I2C device is connected\n");
  ASSERT_TRUE(next.IsOpen());
  EXPECT_FALSE(linvo->IsOpen()) << "replaced";
  linvo = std::move(next);  // closing the replaced one leaves the new one alone
  // A joined thread can stay listed in /proc a moment longer (most of all under qemu).
  EXPECT_TRUE(test::waitUntil([&] { return test::threadWakeups(first[0]) == -1; })) << "joined";
  EXPECT_EQ(linvo->GetRawValue(2), 0) << "the new sensor has sampled nothing yet";

  converter->setVoltage(2, 0.25);
  EXPECT_TRUE(test::waitUntil([&] { return linvo->GetRawValue(2) == 250; }));
  auto now = test::threadsStartedSince(threadsBefore);
  ASSERT_EQ(now.size(), 1u) << "one sampler";
  EXPECT_NE(now[0], first[0]);
}

}  // namespace
