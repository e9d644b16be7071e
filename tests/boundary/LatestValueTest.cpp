// The newest reading as the device threads publish it: every copy is one whole publication, a
// list is copied as far as the reader has room, and a publisher stalled in the middle of a
// publication holds no reader up.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "common/LatestValue.h"

using namespace std::chrono_literals;

namespace {

// Every field carries the publication's number, so a copy mixing two publications shows.
struct Table {
  uint32_t number = 0;
  std::array<float, 360> values{};
  int64_t stamp = 0;
  uint8_t tail = 0;  // the record's size is not a whole number of words
};

Table tableNumber(uint32_t n) {
  Table t;
  t.number = n;
  t.values.fill(static_cast<float>(n));
  t.stamp = -static_cast<int64_t>(n);
  t.tail = static_cast<uint8_t>(n);
  return t;
}

bool whole(const Table& t) {
  for (float v : t.values) {
    if (v != static_cast<float>(t.number)) return false;
  }
  return t.stamp == -static_cast<int64_t>(t.number) && t.tail == static_cast<uint8_t>(t.number);
}

struct Point {
  float angle;
  uint16_t strength;
};

TEST(LatestValueTest, NothingUntilTheFirstPublicationThenTheNewest) {
  korvane::LatestValue<Table> latest;
  Table copy = tableNumber(99);
  EXPECT_FALSE(latest.any());
  EXPECT_FALSE(latest.read(copy));
  EXPECT_EQ(copy.number, 99u);  // untouched
  for (uint32_t n = 1; n <= 3; ++n) {
    latest.publish(tableNumber(n));
    ASSERT_TRUE(latest.read(copy));
    EXPECT_EQ(copy.number, n);
    EXPECT_TRUE(whole(copy));
  }
}

TEST(LatestValueTest, AListIsCopiedAsFarAsTheReaderHasRoomAndItsLengthIsToldInFull) {
  korvane::LatestValue<int64_t, Point, 8> latest;
  std::vector<Point> points;
  for (int i = 0; i < 5; ++i) points.push_back({i * 1.5f, static_cast<uint16_t>(100 + i)});
  latest.publish(77, points.data(), points.size());

  int64_t header = 0;
  size_t count = 0;
  std::array<Point, 3> room{};
  ASSERT_TRUE(
      latest.read(header, room.size(), count, [&](size_t i, const Point& p) { room.at(i) = p; }));
  EXPECT_EQ(header, 77);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(room[2].angle, 3.0f);
  EXPECT_EQ(room[2].strength, 102);

  // More than the capacity: the first kMaxItems are kept.
  std::vector<Point> many(20, Point{9.0f, 9});
  latest.publish(78, many.data(), many.size());
  std::vector<Point> all(20);
  ASSERT_TRUE(
      latest.read(header, all.size(), count, [&](size_t i, const Point& p) { all[i] = p; }));
  EXPECT_EQ(count, 8u);
  EXPECT_EQ(all[7].strength, 9);
}

TEST(LatestValueTest, ReadersRacingAPublisherNeverSeeAMixOfTwoPublications) {
  korvane::LatestValue<Table> latest;
  latest.publish(tableNumber(1));
  std::atomic<bool> stop{false};
  std::atomic<uint32_t> lastPublished{1};
  std::thread publisher([&] {
    for (uint32_t n = 2; !stop.load(); ++n) {
      latest.publish(tableNumber(n));
      lastPublished.store(n);
    }
  });
  std::atomic<int> torn{0};
  std::atomic<int> backwards{0};
  // Reads until the publisher has overtaken the readers many times.
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r) {
    readers.emplace_back([&] {
      uint32_t previous = 0;
      Table copy;
      while (lastPublished.load() < 5000 && std::chrono::steady_clock::now() < deadline) {
        if (!latest.read(copy) || !whole(copy)) ++torn;
        if (copy.number < previous) ++backwards;
        previous = copy.number;
      }
    });
  }
  for (auto& reader : readers) reader.join();
  stop.store(true);
  publisher.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(backwards.load(), 0);
  EXPECT_GE(lastPublished.load(), 5000u);
}

TEST(LatestValueTest, APublisherStalledHalfwayHoldsNoReaderUp) {
  // The publisher makes its items one by one and is held after the second, as a publisher
  // preempted in the middle of a write would be; readers still get the publication before, at
  // once, and the new one once the publisher goes on.
  korvane::LatestValue<uint32_t, uint32_t, 4> latest;
  const uint32_t first[4] = {1, 1, 1, 1};
  latest.publish(1, first, 4);
  const uint32_t second[4] = {2, 2, 2, 2};
  latest.publish(2, second, 4);  // both slots used: the next publication overwrites the first's

  std::mutex mutex;
  std::condition_variable changed;
  bool held = false;
  bool release = false;
  std::thread publisher([&] {
    latest.publish(3, 4, [&](size_t i) -> uint32_t {
      if (i == 2) {
        std::unique_lock lock(mutex);
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
      }
      return 3;
    });
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return held; });
  }
  auto readNow = [&] {
    uint32_t header = 0;
    size_t count = 0;
    std::array<uint32_t, 4> items{};
    EXPECT_TRUE(
        latest.read(header, items.size(), count, [&](size_t i, uint32_t v) { items[i] = v; }));
    for (uint32_t v : items) EXPECT_EQ(v, header);
    return header;
  };
  EXPECT_EQ(readNow(), 2u);  // returns although the publisher holds the other slot half written
  {
    std::lock_guard lock(mutex);
    release = true;
  }
  changed.notify_all();
  publisher.join();
  EXPECT_EQ(readNow(), 3u);
}

}  // namespace
