// The USB devices' reader thread on real pseudo-terminals: every byte reaches the parser once and
// in order whatever the read size, a silent or hung-up port costs no wakeups, and stop is noticed
// at once, also during the settling wait and after a hang-up.

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KorvaneSerial.h"
#include "PseudoTerminal.h"
#include "ThreadCpu.h"
#include "ThreadWakeups.h"
#include "Wait.h"
#include "serial/SerialReader.h"

namespace test = korvane::test;
using korvane::SerialReader;
using test::PseudoTerminal;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// What the parser was handed, read by the test while the reader thread appends.
class Received {
 public:
  SerialReader::Parser parser(int blockBytes) {
    return [this, blockBytes](const unsigned char* bytes, int count) {
      std::lock_guard lock(mutex_);
      if (count <= 0 || count > blockBytes) ++badCounts_;
      bytes_.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
      ++calls_;
    };
  }
  std::string bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
  }
  int calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int badCounts() const {
    std::lock_guard lock(mutex_);
    return badCounts_;
  }

 private:
  mutable std::mutex mutex_;
  std::string bytes_;
  int calls_ = 0;
  int badCounts_ = 0;
};

// An open port on a fresh pseudo-terminal with a reader on it, and the reader's thread id.
struct Port {
  Port() {
    if (!device.ok()) return;
    fd = KorvaneSerial::Open(device.path(), 115200, "Test");
  }
  ~Port() {
    reader.stop();
    KorvaneSerial::Close(fd);
  }
  pid_t start(int blockBytes, int settleMs = 0) {
    auto before = test::threadIds();
    reader.start(fd, blockBytes, received.parser(blockBytes), settleMs);
    auto started = test::threadsStartedSince(before);
    return started.size() == 1 ? started[0] : -1;
  }

  PseudoTerminal device;
  int fd = -1;
  Received received;
  SerialReader reader;  // last: stopped before the rest goes
};

std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

int64_t wakeupsOver(pid_t tid, std::chrono::milliseconds window) {
  int64_t before = test::threadWakeups(tid);
  std::this_thread::sleep_for(window);
  return test::threadWakeups(tid) - before;
}

TEST(SerialReaderTest, EveryByteReachesTheParserOnceAndInOrderWhateverTheReadSize) {
  const std::string sent = pattern(1000);
  for (int blockBytes : {1, 2, 3, 5, 7, 16, 255, 256, 2048}) {
    for (size_t piece : {size_t{1}, size_t{13}, sent.size()}) {
      Port port;
      ASSERT_NE(port.fd, -1);
      ASSERT_NE(port.start(blockBytes), -1);
      for (size_t at = 0; at < sent.size(); at += piece) {
        ASSERT_TRUE(port.device.write(sent.substr(at, piece)));
      }
      EXPECT_TRUE(test::waitUntil([&] { return port.received.bytes().size() >= sent.size(); }))
          << "read size " << blockBytes << ", written in pieces of " << piece;
      EXPECT_EQ(port.received.bytes(), sent)
          << "read size " << blockBytes << ", written in pieces of " << piece;
      EXPECT_EQ(port.received.badCounts(), 0) << "read size " << blockBytes;
    }
  }
}

TEST(SerialReaderTest, ASilentPortCostsNoWakeupsAndStopIsNoticedAtOnce) {
  Port port;
  ASSERT_NE(port.fd, -1);
  pid_t tid = port.start(256);
  ASSERT_NE(tid, -1);
  std::this_thread::sleep_for(100ms);
  double cpuBefore = test::threadCpuSeconds(tid);
  EXPECT_LE(wakeupsOver(tid, 2s), 1) << "silent port";
  EXPECT_LT(test::threadCpuSeconds(tid) - cpuBefore, 0.02) << "CPU seconds over 2 s";
  EXPECT_TRUE(port.reader.running());

  auto start = Clock::now();
  port.reader.stop();
  EXPECT_LT(Clock::now() - start, 500ms);
  EXPECT_FALSE(port.reader.running());
  EXPECT_EQ(port.received.calls(), 0);
}

TEST(SerialReaderTest, AHangUpIsNoticedOnceThenTheThreadBlocksUntilStop) {
  Port port;
  ASSERT_NE(port.fd, -1);
  pid_t tid = port.start(256);
  ASSERT_NE(tid, -1);
  ASSERT_TRUE(port.device.write("ab"));
  ASSERT_TRUE(test::waitUntil([&] { return port.received.bytes() == "ab"; }));

  port.device.hangUp();
  // The hang-up is seen at once; the reader then gives the port up for good.
  std::this_thread::sleep_for(KorvaneSerial::kFailedPortPauseMs * 1ms + 300ms);
  double cpuBefore = test::threadCpuSeconds(tid);
  EXPECT_LE(wakeupsOver(tid, 2s), 1) << "hung-up port";
  EXPECT_LT(test::threadCpuSeconds(tid) - cpuBefore, 0.02) << "CPU seconds over 2 s";
  EXPECT_EQ(port.received.bytes(), "ab");

  auto start = Clock::now();
  port.reader.stop();
  EXPECT_LT(Clock::now() - start, 500ms) << "stop after a hang-up";
}

TEST(SerialReaderTest, StopDuringTheHangUpPauseOrTheSettlingWaitIsNoticedAtOnce) {
  {
    Port port;
    ASSERT_NE(port.fd, -1);
    ASSERT_NE(port.start(256), -1);
    port.device.hangUp();
    std::this_thread::sleep_for(50ms);  // inside the pause after the hang-up
    auto start = Clock::now();
    port.reader.stop();
    EXPECT_LT(Clock::now() - start, 300ms) << "stop in the hang-up pause";
  }
  {
    Port port;
    ASSERT_NE(port.fd, -1);
    ASSERT_NE(port.start(256, 60000), -1);
    std::this_thread::sleep_for(50ms);
    auto start = Clock::now();
    port.reader.stop();
    EXPECT_LT(Clock::now() - start, 1s) << "stop in the settling wait";
  }
}

TEST(SerialReaderTest, WhatArrivesWhileSettlingIsDroppedAndWhatFollowsIsRead) {
  Port port;
  ASSERT_NE(port.fd, -1);
  ASSERT_TRUE(port.device.write("stale"));
  // A pseudo-terminal hands written bytes to the other side a moment later: only once "stale" is
  // queued can an empty queue tell that the settling wait has passed and emptied it.
  ASSERT_TRUE(port.device.waitForPendingInput(5));
  ASSERT_NE(port.start(256, 300), -1);
  ASSERT_TRUE(port.device.write("early"));
  ASSERT_TRUE(test::waitUntil([&] { return port.device.pendingInput() == 0; }));
  ASSERT_TRUE(port.device.write("fresh"));
  ASSERT_TRUE(test::waitUntil([&] { return port.received.bytes().size() >= 5; }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(port.received.bytes(), "fresh");
}

TEST(SerialReaderTest, AStoppedReaderStartsAgainAndLosesNothingThatArrivedMeanwhile) {
  Port port;
  ASSERT_NE(port.fd, -1);
  ASSERT_NE(port.start(4), -1);
  ASSERT_TRUE(port.device.write("one,"));
  ASSERT_TRUE(test::waitUntil([&] { return port.received.bytes() == "one,"; }));
  port.reader.stop();
  ASSERT_TRUE(port.device.write("two,"));
  ASSERT_TRUE(port.device.waitForPendingInput(4));
  // A second start while running is ignored: one thread only.
  ASSERT_NE(port.start(4), -1);
  auto before = test::threadIds();
  port.reader.start(port.fd, 4, port.received.parser(4));
  EXPECT_TRUE(test::threadsStartedSince(before).empty());
  ASSERT_TRUE(port.device.write("three"));
  EXPECT_TRUE(test::waitUntil([&] { return port.received.bytes().size() >= 13; }));
  EXPECT_EQ(port.received.bytes(), "one,two,three");
}

}  // namespace
