// CPU and wakeups of a USB colour sensor's reader thread, from the thread's own CPU clock and its
// voluntary context switches (/proc), over 10 s each: with a silent sensor, with the emulated
// sensor streaming as fast as 115200 baud allows, and after the sensor hung up; and how long
// destroy then takes.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "KromelJNI.h"
#include "ThreadCpu.h"
#include "ThreadMeter.h"
#include "sim/kromel/KromelUsbSim.h"

namespace {

using korvane::sim::KromelUsbSim;
namespace test = korvane::test;

enum class Device { Silent, Streaming, HungUp };

void ReaderCpu(benchmark::State& state) {
  const auto device = static_cast<Device>(state.range(0));
  const auto window = std::chrono::seconds(10);
  double cpuShare = 0, readingsPerSecond = 0, wakeupsPerSecond = 0, destroyMs = 0;
  for (auto _ : state) {
    auto emulator = KromelUsbSim::start(0);
    if (!emulator) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    emulator->setStreaming(device == Device::Streaming);
    auto before = test::threadIds();
    KromelJNI* sensor = KromelJNI::c_Kromel_createUsb(emulator->path().c_str(), 0);
    auto reader = test::threadsStartedSince(before);
    if (sensor == nullptr || reader.size() != 1) {
      state.SkipWithError("no reader thread");
      return;
    }
    if (device == Device::HungUp) emulator->hangUp();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    uint16_t seq0 = sensor->c_Kromel_getColor().sequence;
    test::ThreadMeter meter(reader[0]);
    std::this_thread::sleep_for(window);
    test::ThreadMeter::Reading usage = meter.read();
    cpuShare = usage.cpuShare;
    wakeupsPerSecond = usage.wakeupsPerSecond;
    uint16_t seq1 = sensor->c_Kromel_getColor().sequence;
    readingsPerSecond = static_cast<uint16_t>(seq1 - seq0) / usage.seconds;
    auto stopStart = std::chrono::steady_clock::now();
    KromelJNI::c_Kromel_destroy(sensor);
    destroyMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopStart)
            .count();
  }
  state.counters["cpu_percent_of_a_core"] = cpuShare * 100.0;
  state.counters["readings_per_s"] = readingsPerSecond;
  state.counters["wakeups_per_s"] = wakeupsPerSecond;
  state.counters["destroy_ms"] = destroyMs;
}

BENCHMARK(ReaderCpu)
    ->ArgName("silent0_streaming1_hungup2")
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
