// Throughput of the mini LiDAR's scan-packet extraction, fed as the worker feeds it (reads of a
// given size appended to the receive buffer, every complete packet taken out), beside the
// device's line rate: 230400 baud carries 23040 bytes a second.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lidarmini/ScanPacket.h"

namespace {

constexpr double kLineRateBytesPerSecond = 230400.0 / 10.0;

void put16(std::string& bytes, unsigned value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

std::string packet(bool start, unsigned samples, unsigned firstRaw) {
  std::string bytes = "\xAA\x55";
  bytes.push_back(static_cast<char>(start ? 1 : 0));
  bytes.push_back(static_cast<char>(samples));
  put16(bytes, firstRaw);
  put16(bytes, firstRaw + samples * 64);
  put16(bytes, 0);
  for (unsigned k = 0; k < samples; ++k) {
    unsigned mm = 500 + 37 * k;
    bytes.push_back(static_cast<char>(180));
    bytes.push_back(static_cast<char>((mm & 0x3F) << 2));
    bytes.push_back(static_cast<char>(mm >> 6));
  }
  return bytes;
}

// Revolutions of 666 samples (6 Hz at 4000 samples a second): a start packet, then packets of
// 40 samples; with garbage, a few stray bytes and a lone AA before every packet.
std::string revolutions(size_t bytes, bool garbage) {
  std::string text;
  while (text.size() < bytes) {
    text += packet(true, 1, 1);
    for (unsigned first = 1; first < 666; first += 40) {
      if (garbage) text += "\x13\x00\x42\xAA";
      text += packet(false, first + 40 <= 666 ? 40 : 666 - first, first * 69);
    }
  }
  return text;
}

void extract(benchmark::State& state, const std::string& text) {
  const size_t readSize = static_cast<size_t>(state.range(0));
  std::vector<uint8_t> buffer;
  buffer.reserve(4096);
  korvane::lidarmini::ScanPacket packet;
  size_t points = 0;
  for (auto _ : state) {
    buffer.clear();
    for (size_t at = 0; at < text.size(); at += readSize) {
      size_t n = std::min(readSize, text.size() - at);
      buffer.insert(buffer.end(), text.data() + at, text.data() + at + n);
      while (korvane::lidarmini::ExtractScanPacket(buffer, packet)) points += packet.points.size();
    }
  }
  benchmark::DoNotOptimize(points);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["times_line_rate"] =
      benchmark::Counter(static_cast<double>(text.size()) / kLineRateBytesPerSecond,
                         benchmark::Counter::kIsIterationInvariantRate);
}

void CleanStream(benchmark::State& state) {
  extract(state, revolutions(256 * 1024, false));
}

void StreamWithGarbage(benchmark::State& state) {
  extract(state, revolutions(256 * 1024, true));
}

// Reads of 64 bytes (the worker waking for every few packets at the line rate) and of 2048 bytes
// (its largest read).
BENCHMARK(CleanStream)->ArgName("read_bytes")->Arg(64)->Arg(2048);
BENCHMARK(StreamWithGarbage)->ArgName("read_bytes")->Arg(64)->Arg(2048);

}  // namespace

BENCHMARK_MAIN();
