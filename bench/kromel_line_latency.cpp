// Latency from a line written on the pseudo-terminal to its reading being visible through
// getColor: 1000 lines, one at a time, median and worst.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "KromelJNI.h"
#include "sim/kromel/KromelUsbSim.h"

namespace {

void LineToReading(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int kLines = 1000;
  std::vector<double> micros;
  for (auto _ : state) {
    auto emulator = korvane::sim::KromelUsbSim::start(1000);
    if (!emulator) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    emulator->setStreaming(false);
    KromelJNI* sensor = KromelJNI::c_Kromel_createUsb(emulator->path().c_str(), 0);
    if (sensor == nullptr) {
      state.SkipWithError("no sensor");
      return;
    }
    micros.clear();
    for (int i = 1; i <= kLines; ++i) {
      std::string line = "XYZ: " + std::to_string(i) + ", 0.5, 0.25\r\n";
      auto written = Clock::now();
      emulator->send(line);
      auto deadline = written + std::chrono::seconds(2);
      while (sensor->c_Kromel_getColor().sequence != static_cast<uint16_t>(i) &&
             Clock::now() < deadline) {
        std::this_thread::yield();
      }
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - written).count());
      // A gap, so the next line finds the reader waiting for input as a sensor's next line would.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    KromelJNI::c_Kromel_destroy(sensor);
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  state.counters["worst_us"] = micros.back();
}

BENCHMARK(LineToReading)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
