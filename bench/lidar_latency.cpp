// Latency from a packet's last byte written on the pseudo-terminal to its point being visible
// through getData: 1000 packets, one at a time, median, p99 and worst.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "LidarJNI.h"
#include "PseudoTerminal.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Serial.h"

namespace {

// A scan-start packet at 100 degrees with one sample (1/4 mm); it is filed in slot 93.
std::string scanStart(uint16_t raw) {
  const uint16_t angle = 100 * 128;
  return {'\xAA',
          '\x55',
          '\x01',
          '\x01',
          static_cast<char>(angle & 0xFF),
          static_cast<char>(angle >> 8),
          static_cast<char>(angle & 0xFF),
          static_cast<char>(angle >> 8),
          0,
          0,
          static_cast<char>(raw & 0xFF),
          static_cast<char>(raw >> 8)};
}

void PacketToPoint(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int kPackets = 1000;
  std::vector<double> micros;
  for (auto _ : state) {
    korvane::sim::resetSerial();
    korvane::test::PseudoTerminal terminal;
    if (!terminal.ok()) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    korvane::sim::mapSerialPort(HAL_SerialPort_USB1, terminal.path());
    LidarJNI::c_Lidar_create(HAL_SerialPort_USB1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the worker configures
    micros.clear();
    for (int i = 0; i < kPackets; ++i) {
      const uint16_t raw = static_cast<uint16_t>(4000 + 4 * (i % 2));  // 1000 or 1001 mm
      const float expected = raw * 0.25f;
      terminal.write(scanStart(raw));
      auto written = Clock::now();
      auto deadline = written + std::chrono::seconds(2);
      while (LidarJNI::c_Lidar_getData()[LidarJNI::kSlots + 93] != expected &&
             Clock::now() < deadline) {
        std::this_thread::yield();
      }
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - written).count());
      // A gap, so the next packet finds the worker waiting in its read as a device's would.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    LidarJNI::c_Lidar_stop();
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  state.counters["worst_us"] = micros.back();
}

BENCHMARK(PacketToPoint)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
