// How long a reader waits for the newest reading while a device thread keeps producing new ones,
// for the ways a driver can hand a reading over: a mutex held while the device thread files a
// packet into the reading (as the LiDAR and the colour and distance sensors did), a mutex held
// only for the copy, and korvane::LatestValue (two slots under sequence numbers). The reading is
// the LiDAR's table (360 angles and distances); the device thread takes about 20 us per packet,
// as the LiDAR's worker does with a filter on. Counters: the reader's median, 99th percentile and
// longest copy in microseconds.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "common/LatestValue.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Table {
  std::array<float, 360> angles{};
  std::array<float, 360> distances{};
  int64_t newestNs = 0;
};

// About 20 us of filing work for one packet.
void filePacket(Table& table, int packet) {
  const auto until = Clock::now() + std::chrono::microseconds(20);
  int k = packet % 360;
  while (Clock::now() < until) {
    table.angles[static_cast<size_t>(k)] = static_cast<float>(k) + 0.5f;
    table.distances[static_cast<size_t>(k)] = static_cast<float>(packet);
    k = (k + 1) % 360;
  }
  table.newestNs = packet;
}

void report(benchmark::State& state, std::vector<double>& micros) {
  std::sort(micros.begin(), micros.end());
  auto at = [&](double fraction) {
    auto index = static_cast<size_t>(std::ceil(fraction * static_cast<double>(micros.size())));
    return micros[std::min(micros.size() - 1, index == 0 ? 0 : index - 1)];
  };
  state.counters["median_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = micros.back();
}

// The reader copies the table every 200 us while the device thread files packets back to back.
template <class Publisher, class Reader>
void race(benchmark::State& state, Publisher publish, Reader read) {
  std::atomic<bool> stop{false};
  std::thread device([&] {
    for (int packet = 0; !stop.load(std::memory_order_relaxed); ++packet) publish(packet);
  });
  std::vector<double> micros;
  Table copy;
  for (auto _ : state) {
    const auto start = Clock::now();
    read(copy);
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    benchmark::DoNotOptimize(copy);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  stop.store(true);
  device.join();
  report(state, micros);
}

void MutexHeldWhileFiling(benchmark::State& state) {
  std::mutex mutex;
  Table table;
  race(
      state,
      [&](int packet) {
        std::lock_guard lock(mutex);
        filePacket(table, packet);
      },
      [&](Table& copy) {
        std::lock_guard lock(mutex);
        copy = table;
      });
}

void MutexHeldForTheCopy(benchmark::State& state) {
  std::mutex mutex;
  Table working;
  Table shared;
  race(
      state,
      [&](int packet) {
        filePacket(working, packet);
        std::lock_guard lock(mutex);
        shared = working;
      },
      [&](Table& copy) {
        std::lock_guard lock(mutex);
        copy = shared;
      });
}

void LatestValueTwoSlots(benchmark::State& state) {
  korvane::LatestValue<Table> latest;
  Table working;
  latest.publish(working);
  race(
      state,
      [&](int packet) {
        filePacket(working, packet);
        latest.publish(working);
      },
      [&](Table& copy) { latest.read(copy); });
}

BENCHMARK(MutexHeldWhileFiling)->Iterations(5000)->UseRealTime();
BENCHMARK(MutexHeldForTheCopy)->Iterations(5000)->UseRealTime();
BENCHMARK(LatestValueTwoSlots)->Iterations(5000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
