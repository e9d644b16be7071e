// Throughput of the distance sensor's scan-frame parser (bytes appended and cut into frames as
// the reader thread does, in reads of 256 bytes), beside the sensor's line rate: 115200 baud
// carries 11520 bytes a second.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dystan/DystanFraming.h"
#include "sim/dystan/DystanUsbSim.h"

namespace {

constexpr double kLineRateBytesPerSecond = 115200.0 / 10.0;
constexpr size_t kReadBlock = 256;

std::string stream(const std::string& garbage, size_t bytes) {
  std::vector<int16_t> distances;
  for (int k = 0; k < 64; ++k) distances.push_back(static_cast<int16_t>(300 + 17 * k));
  std::string text;
  for (uint8_t sequence = 0; text.size() < bytes; ++sequence) {
    text += garbage + korvane::sim::DystanUsbSim::frame(sequence, distances);
  }
  return text;
}

void parse(benchmark::State& state, const std::string& text) {
  std::vector<uint8_t> buffer;
  buffer.reserve(korvane::dystan::framing::kMaxBuffered + kReadBlock);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t scans = 0;
  for (auto _ : state) {
    for (size_t at = 0; at < text.size(); at += kReadBlock) {
      korvane::dystan::framing::append(buffer, bytes + at, std::min(kReadBlock, text.size() - at));
      scans += korvane::dystan::framing::consume(
          buffer,
          [](const korvane::dystan::framing::Scan& scan) { benchmark::DoNotOptimize(scan); });
    }
  }
  benchmark::DoNotOptimize(scans);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["times_line_rate"] =
      benchmark::Counter(static_cast<double>(text.size()) / kLineRateBytesPerSecond,
                         benchmark::Counter::kIsIterationInvariantRate);
}

// Scans of 64 distances back to back, as the sensor streams them.
void FullScans(benchmark::State& state) {
  parse(state, stream("", 64 * 1024));
}

// Every frame behind 40 bytes of noise full of false sync pairs and short headers.
void ScansBehindNoise(benchmark::State& state) {
  std::string noise;
  for (int i = 0; i < 10; ++i) noise += std::string("\xA5\x5A\x02\x00", 4);
  parse(state, stream(noise, 64 * 1024));
}

BENCHMARK(FullScans);
BENCHMARK(ScansBehindNoise);

}  // namespace

BENCHMARK_MAIN();
