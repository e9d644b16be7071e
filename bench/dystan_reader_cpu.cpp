// The USB distance sensor's reader thread over 10 s each: with a silent sensor, with the emulated
// sensor streaming 64-distance scans as fast as 115200 baud allows, and after the sensor hung up.
// Wake-ups are the thread's voluntary context switches (/proc/self/task/<tid>/status); CPU is
// the thread's own clock.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "DystanJNI.h"
#include "ThreadCpu.h"
#include "ThreadMeter.h"
#include "sim/dystan/DystanUsbSim.h"

namespace {

using korvane::sim::DystanUsbSim;
namespace test = korvane::test;

enum class Device { Silent, Streaming, HungUp };

void ReaderCpu(benchmark::State& state) {
  const auto device = static_cast<Device>(state.range(0));
  const auto window = std::chrono::seconds(10);
  double cpuShare = 0, wakeupsPerSecond = 0, scansPerSecond = 0;
  for (auto _ : state) {
    DystanUsbSim::Options options;
    options.outputRate = 0;  // once binary: as fast as the line rate allows
    options.streaming = device == Device::Streaming;
    auto emulator = DystanUsbSim::start(options);
    if (!emulator) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    auto before = test::threadIds();
    DystanJNI* sensor = DystanJNI::c_Dystan_createUsb(emulator->path().c_str(), 0);
    auto reader = test::threadsStartedSince(before);
    if (sensor == nullptr || reader.size() != 1) {
      state.SkipWithError("no reader thread");
      return;
    }
    if (device == Device::HungUp) emulator->hangUp();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    uint64_t scans0 = emulator->scansSent();
    test::ThreadMeter meter(reader[0]);
    std::this_thread::sleep_for(window);
    test::ThreadMeter::Reading usage = meter.read();
    cpuShare = usage.cpuShare;
    wakeupsPerSecond = usage.wakeupsPerSecond;
    scansPerSecond = static_cast<double>(emulator->scansSent() - scans0) / usage.seconds;
    DystanJNI::c_Dystan_destroy(sensor);
  }
  state.counters["cpu_percent_of_a_core"] = cpuShare * 100.0;
  state.counters["wakeups_per_s"] = wakeupsPerSecond;
  state.counters["scans_streamed_per_s"] = scansPerSecond;
}

BENCHMARK(ReaderCpu)
    ->ArgName("silent0_streaming1_hungup2")
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
