// Throughput of the LiDAR's framing and decoding on one core: revolutions of the emulated room
// cut into 64-byte reads, through a buffer kept across reads, packets found and decoded. Bytes a
// second beside the 115200-baud line rate (11,520 bytes a second).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "LidarJNI.h"
#include "lidar/LidarPackets.h"
#include "sim/lidar/LidarRoomSim.h"

namespace {

constexpr double kLineRateBytesPerSecond = 115200.0 / 10.0;

void DecodeStream(benchmark::State& state) {
  const size_t readSize = static_cast<size_t>(state.range(0));
  auto room = korvane::sim::LidarRoomSim::start(1, false);
  if (!room) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  room->setNoise(20);
  std::string stream;
  for (int i = 0; i < 20; ++i) stream += room->revolution();
  std::vector<uint8_t> buffer;
  buffer.reserve(4096);
  std::vector<LidarJNI::DataPoint> points;
  size_t decoded = 0;
  for (auto _ : state) {
    for (size_t offset = 0; offset < stream.size(); offset += readSize) {
      size_t size = std::min(readSize, stream.size() - offset);
      buffer.insert(buffer.end(), stream.begin() + offset, stream.begin() + offset + size);
      size_t position = 0;
      while (true) {
        korvane::lidar::Cut cut =
            korvane::lidar::findPacket(buffer.data() + position, buffer.size() - position);
        position += cut.start;
        if (cut.length == 0) break;
        points.clear();
        korvane::lidar::decodePacket(buffer.data() + position, cut.length, {}, points);
        decoded += points.size();
        position += cut.length;
      }
      buffer.erase(buffer.begin(), buffer.begin() + position);
    }
    benchmark::DoNotOptimize(points.data());
  }
  const double bytes = static_cast<double>(stream.size()) * state.iterations();
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["MB_per_s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
  state.counters["times_line_rate"] =
      benchmark::Counter(bytes / kLineRateBytesPerSecond, benchmark::Counter::kIsRate);
  state.counters["points"] = static_cast<double>(decoded);
}

BENCHMARK(DecodeStream)->ArgName("read_bytes")->Arg(64)->Arg(1024)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
