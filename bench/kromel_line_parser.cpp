// Throughput of the colour sensor's line assembly and grammar (bytes as the reader thread hands
// them over), beside the sensor's line rate: 115200 baud carries 11520 bytes a second.

#include <benchmark/benchmark.h>

#include <string>

#include "kromel/KromelLines.h"

namespace {

constexpr double kLineRateBytesPerSecond = 115200.0 / 10.0;

std::string stream(const std::string& line, size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += line;
  return text;
}

void parse(benchmark::State& state, const std::string& text) {
  korvane::kromel::LineReader lines;
  korvane::Kromel::ColorData newest;
  for (auto _ : state) {
    lines.feed(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()),
               [&](const korvane::Kromel::ColorData& reading) { newest = reading; });
    benchmark::DoNotOptimize(newest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["times_line_rate"] =
      benchmark::Counter(static_cast<double>(text.size()) / kLineRateBytesPerSecond,
                         benchmark::Counter::kIsIterationInvariantRate);
}

void XyzLines(benchmark::State& state) {
  parse(state, stream("XYZ: 0.4120, 0.3770, 0.2010\r\n", 64 * 1024));
}

void DistancePrefixedLines(benchmark::State& state) {
  parse(state, stream("DIST: 120mm  XYZ: 0.4120, 0.3770, 0.2010\r\n", 64 * 1024));
}

// Lines the grammar ignores (another format), as after a format change.
void IgnoredLines(benchmark::State& state) {
  parse(state, stream("RGB: 105, 96, 51\r\n", 64 * 1024));
}

BENCHMARK(XyzLines);
BENCHMARK(DistancePrefixedLines);
BENCHMARK(IgnoredLines);

}  // namespace

BENCHMARK_MAIN();
