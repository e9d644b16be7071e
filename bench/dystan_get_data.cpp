// How long getData holds its caller: over CAN, where each call collects chunk frames in three
// passes 12 ms apart (a simulated sensor publishes 50 scans a second); over USB, where it copies
// the reader's newest scan (the emulated sensor streams at the line rate). And getLatestData over
// CAN, called once a 20 ms robot loop: it reads what the session buffered into the kept scans.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "DystanJNI.h"
#include "korvane/sim/Can.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"

namespace {

using namespace korvane::sim;

void GetDataCan(benchmark::State& state) {
  resetCan();
  auto device = DystanCanSim::attach(7, 50);
  DystanJNI* sensor = DystanJNI::c_Dystan_create(7);
  if (sensor == nullptr) {
    state.SkipWithError("no sensor");
    return;
  }
  int complete = 0;
  for (auto _ : state) {
    DystanJNI::ScanData scan = sensor->c_Dystan_getData(64);
    complete += scan.count == 64 ? 1 : 0;
  }
  state.counters["complete_scans_percent"] =
      100.0 * complete / static_cast<double>(state.iterations());
  DystanJNI::c_Dystan_destroy(sensor);
  device->detach();
  resetCan();
}

void GetLatestDataCan(benchmark::State& state) {
  resetCan();
  auto device = DystanCanSim::attach(7, 50);
  DystanJNI* sensor = DystanJNI::c_Dystan_create(7);
  if (sensor == nullptr) {
    state.SkipWithError("no sensor");
    return;
  }
  int complete = 0;
  auto next = std::chrono::steady_clock::now();
  for (auto _ : state) {
    state.PauseTiming();
    next += std::chrono::milliseconds(20);
    std::this_thread::sleep_until(next);
    state.ResumeTiming();
    DystanJNI::ScanData scan = sensor->c_Dystan_getLatestData(64);
    complete += scan.count == 64 ? 1 : 0;
  }
  state.counters["complete_scans_percent"] =
      100.0 * complete / static_cast<double>(state.iterations());
  DystanJNI::c_Dystan_destroy(sensor);
  device->detach();
  resetCan();
}

void GetDataUsb(benchmark::State& state) {
  DystanUsbSim::Options options;
  options.outputRate = 0;
  auto emulator = DystanUsbSim::start(options);
  DystanJNI* sensor =
      emulator ? DystanJNI::c_Dystan_createUsb(emulator->path().c_str(), 0) : nullptr;
  if (sensor == nullptr) {
    state.SkipWithError("no sensor");
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (auto _ : state) benchmark::DoNotOptimize(sensor->c_Dystan_getData(64));
  DystanJNI::c_Dystan_destroy(sensor);
}

BENCHMARK(GetDataCan)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();
BENCHMARK(GetLatestDataCan)->Unit(benchmark::kMicrosecond)->Iterations(250)->UseRealTime();
BENCHMARK(GetDataUsb)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
