// The line sensor's sampling thread over 10 s each: read as a robot loop reads it (all four
// channels every 20 ms), and idle (no readings; measured from 1.5 s after the last one). Wake-ups
// are the thread's voluntary context switches (/proc/self/task/<tid>/status); CPU is the
// thread's own clock. Also how many bus transactions the window saw, and how long close takes.

#include <benchmark/benchmark.h>

#include <chrono>
#include <iostream>
#include <sstream>
#include <thread>

#include "LinvoJNI.h"
#include "ThreadCpu.h"
#include "ThreadMeter.h"
#include "korvane/sim/I2c.h"
#include "sim/linvo/LinvoSim.h"

namespace {

namespace sim = korvane::sim;
namespace test = korvane::test;
using Clock = std::chrono::steady_clock;

enum class Use { Read, Idle };

void SamplerCpu(benchmark::State& state) {
  const auto use = static_cast<Use>(state.range(0));
  const auto window = std::chrono::seconds(10);
  double cpuShare = 0, wakeupsPerSecond = 0, transactionsPerSecond = 0, closeMs = 0;
  for (auto _ : state) {
    sim::resetI2c();
    auto converter = sim::LinvoSim::attach();
    std::ostringstream quiet;
    auto* console = std::cout.rdbuf(quiet.rdbuf());
    LinvoJNI::c_initializeI2C(3.3f);
    std::cout.rdbuf(console);
    auto before = test::threadIds();
    LinvoJNI::c_getLatestVoltage(0);
    auto sampler = test::threadsStartedSince(before);
    if (sampler.size() != 1) {
      state.SkipWithError("no sampler thread");
      return;
    }
    std::this_thread::sleep_for(use == Use::Idle ? std::chrono::milliseconds(1500)
                                                 : std::chrono::milliseconds(200));
    sim::clearI2cTransactions();
    test::ThreadMeter meter(sampler[0]);
    auto end = Clock::now() + window;
    if (use == Use::Read) {
      for (auto next = Clock::now(); next < end; next += std::chrono::milliseconds(20)) {
        for (uint8_t channel = 0; channel < 4; ++channel) LinvoJNI::c_getLatestVoltage(channel);
        std::this_thread::sleep_until(next + std::chrono::milliseconds(20));
      }
    } else {
      std::this_thread::sleep_until(end);
    }
    test::ThreadMeter::Reading usage = meter.read();
    cpuShare = usage.cpuShare;
    wakeupsPerSecond = usage.wakeupsPerSecond;
    transactionsPerSecond = static_cast<double>(sim::i2cTransactions().size()) / usage.seconds;
    auto closing = Clock::now();
    LinvoJNI::c_closeI2C();
    closeMs = std::chrono::duration<double, std::milli>(Clock::now() - closing).count();
    converter->detach();
  }
  state.counters["cpu_percent_of_a_core"] = cpuShare * 100.0;
  state.counters["wakeups_per_s"] = wakeupsPerSecond;
  state.counters["bus_transactions_per_s"] = transactionsPerSecond;
  state.counters["close_ms"] = closeMs;
}

BENCHMARK(SamplerCpu)
    ->ArgName("read0_idle1")
    ->DenseRange(0, 1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
