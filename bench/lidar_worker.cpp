// The LiDAR worker's wakeups a second (voluntary context switches, from
// /proc/self/task/<tid>/status) and CPU (its own thread clock), over 5 s each: on a silent port,
// with the emulated room streaming, and after stop; and how long a create that replaces the
// LiDAR takes, which includes ending and joining the old worker.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "LidarJNI.h"
#include "PseudoTerminal.h"
#include "ThreadCpu.h"
#include "ThreadMeter.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"
#include "sim/lidar/LidarRoomSim.h"

namespace {

namespace test = korvane::test;
enum class Port { Silent, Streaming, Stopped };

void WorkerWakeups(benchmark::State& state) {
  const auto port = static_cast<Port>(state.range(0));
  const auto window = std::chrono::seconds(5);
  double wakeups = 0, cpuShare = 0, replaceMs = 0;
  for (auto _ : state) {
    korvane::sim::resetSerial();
    test::PseudoTerminal silent;
    auto room = korvane::sim::LidarRoomSim::start(1, port == Port::Streaming);
    if (!room || !silent.ok()) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    korvane::sim::mapSerialPort(HAL_SerialPort_USB1,
                                port == Port::Streaming ? room->path() : silent.path());
    auto before = test::threadIds();
    LidarJNI::c_Lidar_create(HAL_SerialPort_USB1);
    auto worker = test::threadsStartedSince(before);
    if (worker.size() != 1) {
      state.SkipWithError("no worker thread");
      return;
    }
    if (port == Port::Stopped) LidarJNI::c_Lidar_stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    test::ThreadMeter meter(worker[0]);
    std::this_thread::sleep_for(window);
    test::ThreadMeter::Reading usage = meter.read();
    wakeups = usage.wakeupsPerSecond;
    cpuShare = usage.cpuShare;
    test::PseudoTerminal next;
    korvane::sim::mapSerialPort(HAL_SerialPort_USB2, next.path());
    auto start = std::chrono::steady_clock::now();
    LidarJNI::c_Lidar_create(HAL_SerialPort_USB2);
    replaceMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    LidarJNI::c_Lidar_stop();
  }
  state.counters["wakeups_per_s"] = wakeups;
  state.counters["cpu_percent_of_a_core"] = cpuShare * 100.0;
  state.counters["replacing_create_ms"] = replaceMs;
}

BENCHMARK(WorkerWakeups)
    ->ArgName("silent0_streaming1_stopped2")
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
