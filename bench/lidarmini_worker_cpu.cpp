// The mini LiDAR worker's wakeups (voluntary context switches from /proc) and CPU (its own
// thread clock) over 10 s each: scanning a silent device, scanning the emulated T-mini Plus at
// 6 Hz and at 12 Hz, and after the device hung up.

#include <benchmark/benchmark.h>

#include <chrono>
#include <iostream>
#include <thread>

#include "LidarMiniJNI.h"
#include "ThreadCpu.h"
#include "ThreadMeter.h"
#include "sim/lidarmini/LidarMiniSim.h"

namespace {

using korvane::sim::LidarMiniSim;
namespace test = korvane::test;

enum class Device { Silent, SixHertz, TwelveHertz, HungUp };

void WorkerCpu(benchmark::State& state) {
  const auto device = static_cast<Device>(state.range(0));
  const auto window = std::chrono::seconds(10);
  double cpuShare = 0, wakeupsPerSecond = 0, revolutionsPerSecond = 0;
  for (auto _ : state) {
    auto emulator = LidarMiniSim::start();
    if (!emulator || !emulator->plugIn()) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    emulator->setSilent(device == Device::Silent);
    LidarMiniJNI* lidar = LidarMiniJNI::c_LidarMini_create(0);
    if (lidar == nullptr) {
      state.SkipWithError("no LiDAR");
      return;
    }
    if (device == Device::TwelveHertz) {
      for (int i = 0; i < 6; ++i) lidar->c_LidarMini_increaseFrequency(true);
    }
    auto before = test::threadIds();
    lidar->c_LidarMini_start();
    auto worker = test::threadsStartedSince(before);
    if (worker.size() != 1) {
      state.SkipWithError("no worker thread");
      return;
    }
    if (device == Device::HungUp) emulator->hangUp();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    test::ThreadMeter meter(worker[0]);
    int64_t stamp = lidar->c_LidarMini_getData().timestampNs;
    int revolutions = 0;
    auto start = std::chrono::steady_clock::now();
    // Polled at a robot loop's pace, so that every revolution is counted.
    while (std::chrono::steady_clock::now() - start < window) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      int64_t now = lidar->c_LidarMini_getData().timestampNs;
      if (now != stamp && now != 0) ++revolutions;
      stamp = now;
    }
    test::ThreadMeter::Reading usage = meter.read();
    cpuShare = usage.cpuShare;
    wakeupsPerSecond = usage.wakeupsPerSecond;
    revolutionsPerSecond = revolutions / usage.seconds;
    LidarMiniJNI::c_LidarMini_destroy(lidar);
  }
  state.counters["cpu_percent_of_a_core"] = cpuShare * 100.0;
  state.counters["wakeups_per_s"] = wakeupsPerSecond;
  state.counters["revolutions_per_s"] = revolutionsPerSecond;
}

BENCHMARK(WorkerCpu)
    ->ArgName("silent0_6hz1_12hz2_hungup3")
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
