// How long the motor controller's operations hold their caller, on the simulated bus: commands,
// telemetry and the health query (which never wait: mean time per call and the slowest single
// call), and the identity operations, which block by design (info record fetched at once, cached,
// or never obtained; serial number).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <sstream>

#include "TorqaJNI.h"
#include "korvane/sim/Can.h"
#include "sim/torqa/TorqaSim.h"

namespace {

using korvane::sim::TorqaSim;
using Clock = std::chrono::steady_clock;
constexpr int kDevice = 1;

// A controller opened on a fresh bus, with a simulated controller that publishes status frames.
struct Bench {
  Bench() {
    korvane::sim::resetCan();
    controller = TorqaSim::attach(kDevice);
    handle = TorqaJNI::c_Torqa_create(kDevice, 1000);
  }
  ~Bench() {
    TorqaJNI::c_Torqa_destroy(handle);
    controller->detach();
    korvane::sim::resetCan();
  }
  std::shared_ptr<TorqaSim> controller;
  long handle = 0;
};

template <class Call>
void timeEachCall(benchmark::State& state, Call call) {
  Bench bench;
  double worstUs = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    call(bench.handle);
    worstUs =
        std::max(worstUs, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  state.counters["worst_call_us"] = worstUs;
}

void SetMotorSpeed(benchmark::State& state) {
  timeEachCall(state, [](long h) { TorqaJNI::c_Torqa_setMotorSpeed(h, 0, 0.5); });
}
void SetTargetVelocity(benchmark::State& state) {
  timeEachCall(state, [](long h) { TorqaJNI::c_Torqa_setTargetVelocity(h, 1, 123.45f); });
}
void GetRPM(benchmark::State& state) {
  timeEachCall(state, [](long h) { benchmark::DoNotOptimize(TorqaJNI::c_Torqa_getRPM(h, 0)); });
}
void TryGetRPM(benchmark::State& state) {
  timeEachCall(state, [](long h) {
    double out;
    benchmark::DoNotOptimize(TorqaJNI::c_Torqa_tryGetRPM(h, 0, &out));
  });
}
void GetTargetRPMFromDevice(benchmark::State& state) {
  timeEachCall(state, [](long h) {
    double out[4];
    benchmark::DoNotOptimize(TorqaJNI::c_Torqa_getTargetRPMFromDevice(h, out));
  });
}
void IsConnected(benchmark::State& state) {
  timeEachCall(state, [](long h) { benchmark::DoNotOptimize(TorqaJNI::c_Torqa_isConnected(h)); });
}
void GetEncoderDistance(benchmark::State& state) {
  timeEachCall(
      state, [](long h) { benchmark::DoNotOptimize(TorqaJNI::c_Torqa_getEncoderDistance(h, 2)); });
}

// The first identity call of a handle whose controller answers at once, then a cached one.
void GetIDFirstAndCached(benchmark::State& state) {
  Bench bench;
  double firstMs = 0, cachedUs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    long h = TorqaJNI::c_Torqa_create(kDevice, 1000);  // forgets the cached record
    state.ResumeTiming();
    auto start = Clock::now();
    TorqaJNI::c_Torqa_getID(h);
    auto middle = Clock::now();
    TorqaJNI::c_Torqa_getID(h);
    auto end = Clock::now();
    firstMs = std::chrono::duration<double, std::milli>(middle - start).count();
    cachedUs = std::chrono::duration<double, std::micro>(end - middle).count();
  }
  state.counters["first_ms"] = firstMs;
  state.counters["cached_us"] = cachedUs;
}

void GetIDNeverAnswered(benchmark::State& state) {
  Bench bench;
  bench.controller->setInfoReply(TorqaSim::InfoReply::Silent);
  std::ostringstream discard;
  auto* old = std::cerr.rdbuf(discard.rdbuf());  // the failure line, once per call
  for (auto _ : state) benchmark::DoNotOptimize(TorqaJNI::c_Torqa_getID(bench.handle));
  std::cerr.rdbuf(old);
}

void GetSerialNumber(benchmark::State& state) {
  Bench bench;
  for (auto _ : state) benchmark::DoNotOptimize(TorqaJNI::c_Torqa_getSerialNumber(bench.handle));
}

BENCHMARK(SetMotorSpeed)->Iterations(200000);
BENCHMARK(SetTargetVelocity)->Iterations(200000);
BENCHMARK(GetRPM)->Iterations(200000);
BENCHMARK(TryGetRPM)->Iterations(200000);
BENCHMARK(GetTargetRPMFromDevice)->Iterations(200000);
BENCHMARK(GetEncoderDistance)->Iterations(200000);
BENCHMARK(IsConnected)->Iterations(200000);
BENCHMARK(GetIDFirstAndCached)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GetIDNeverAnswered)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GetSerialNumber)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
