// Heartbeat cadence over 5 s, from the timestamps of the frames on the simulated bus: mean period
// and the worst deviation of one period from 100 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "TorqaJNI.h"
#include "korvane/sim/Can.h"

namespace {

void HeartbeatCadence(benchmark::State& state) {
  using namespace korvane::sim;
  constexpr uint32_t kHeartbeat = 0x020C0000 + 1;
  double meanMs = 0, worstMs = 0, beats = 0;
  for (auto _ : state) {
    resetCan();
    long handle = TorqaJNI::c_Torqa_create(1, 1000);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    TorqaJNI::c_Torqa_destroy(handle);
    std::vector<int64_t> times;
    for (const auto& f : sentFrames()) {
      if (f.id == kHeartbeat) times.push_back(f.timestampUs);
    }
    if (times.size() < 2) {
      state.SkipWithError("no heartbeats");
      return;
    }
    beats = static_cast<double>(times.size());
    meanMs = (times.back() - times.front()) / 1000.0 / (times.size() - 1);
    worstMs = 0;
    for (size_t i = 1; i < times.size(); ++i) {
      worstMs = std::max(worstMs, std::abs((times[i] - times[i - 1]) / 1000.0 - 100.0));
    }
  }
  state.counters["beats"] = beats;
  state.counters["mean_period_ms"] = meanMs;
  state.counters["worst_deviation_ms"] = worstMs;
}

BENCHMARK(HeartbeatCadence)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
