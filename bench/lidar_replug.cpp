// The LiDAR unplugged and plugged in again, 20 times: the worker's wakeups a second while the
// device is away (voluntary context switches from /proc/self/task/<tid>/status, over 3 s), and
// how long after the device is back (its port path there again) until isConnected says true,
// with nobody calling anything (recovery_by_itself_ms) and with a start() at once
// (recovery_on_start_ms). Medians and the worst of 20.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "LidarJNI.h"
#include "ThreadCpu.h"
#include "ThreadMeter.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarImpl.h"
#include "sim/lidar/LidarRoomSim.h"

namespace {

namespace test = korvane::test;
using Clock = std::chrono::steady_clock;
constexpr int kRounds = 20;
constexpr auto kAway = std::chrono::seconds(3);

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

bool waitUntilConnected(bool connected) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (LidarJNI::c_Lidar_isConnected() != connected) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void Replug(benchmark::State& state) {
  const bool start = state.range(0) == 1;
  std::vector<double> recovery, wakeups;
  for (auto _ : state) {
    korvane::sim::resetSerial();
    auto room = korvane::sim::LidarRoomSim::start();
    korvane::sim::mapSerialPort(HAL_SerialPort_USB1, room->path());
    auto before = test::threadIds();
    LidarJNI::c_Lidar_create(HAL_SerialPort_USB1);
    auto worker = test::threadsStartedSince(before);
    if (worker.size() != 1 || !waitUntilConnected(true)) {
      state.SkipWithError("no worker, or no data");
      return;
    }
    for (int round = 0; round < kRounds; ++round) {
      room->hangUp();
      if (!waitUntilConnected(false)) {
        state.SkipWithError("the hang-up went unnoticed");
        return;
      }
      test::ThreadMeter meter(worker[0]);
      std::this_thread::sleep_for(round == 0 ? kAway : std::chrono::milliseconds(700));
      if (round == 0) wakeups.push_back(meter.read().wakeupsPerSecond);
      room = korvane::sim::LidarRoomSim::start(static_cast<unsigned>(round + 2));
      const auto back = Clock::now();
      korvane::sim::mapSerialPort(HAL_SerialPort_USB1, room->path());
      if (start) LidarJNI::c_Lidar_start();
      if (!waitUntilConnected(true)) {
        state.SkipWithError("it did not come back");
        return;
      }
      recovery.push_back(std::chrono::duration<double, std::milli>(Clock::now() - back).count());
    }
    LidarJNI::c_Lidar_stop();
    LidarJNI::pImpl.reset();
  }
  state.counters[start ? "recovery_on_start_ms" : "recovery_by_itself_ms"] = median(recovery);
  state.counters["recovery_worst_ms"] = *std::max_element(recovery.begin(), recovery.end());
  state.counters["unplugged_wakeups_per_s"] = median(wakeups);
}

BENCHMARK(Replug)
    ->ArgName("start")
    ->DenseRange(0, 1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
