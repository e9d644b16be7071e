// Latency from the first byte of a revolution's closing start packet written on the
// pseudo-terminal to that revolution being visible through getData: 1000 revolutions of 41
// points, one at a time, median, p99 and worst.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "PseudoTerminal.h"
#include "korvane/LidarMini.h"
#include "korvane/sim/SerialDevices.h"

namespace {

using Clock = std::chrono::steady_clock;

void put16(std::string& bytes, unsigned value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

std::string packet(bool start, unsigned samples) {
  std::string bytes = "\xAA\x55";
  bytes.push_back(static_cast<char>(start ? 1 : 0));
  bytes.push_back(static_cast<char>(samples));
  put16(bytes, 129);
  put16(bytes, 129 + samples * 128);
  put16(bytes, 0);
  for (unsigned k = 0; k < samples; ++k) bytes += std::string("\xB4\x40\x1F", 3);
  return bytes;
}

void StartPacketToGetData(benchmark::State& state) {
  constexpr int kRevolutions = 1000;
  std::vector<double> micros;
  for (auto _ : state) {
    korvane::test::PseudoTerminal device;
    char folder[] = "/tmp/korvane-lidarmini-bench-XXXXXX";
    if (!device.ok() || mkdtemp(folder) == nullptr) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    std::string link = std::string(folder) + "/ttyUSB0";
    symlink(device.path().c_str(), link.c_str());
    const std::string systemDevices = korvane::sim::serialDeviceDirectory();
    korvane::sim::setSerialDeviceDirectory(folder);
    korvane::LidarMini lidar(korvane::SerialPort::kOnboard);
    korvane::sim::setSerialDeviceDirectory(systemDevices);
    if (!lidar.IsOpen()) {
      state.SkipWithError("no LiDAR");
      return;
    }
    lidar.Start();
    // Start packets until the worker publishes: from then on it reads everything written.
    while (lidar.GetData().timestampNs == 0) {
      device.write(packet(true, 1));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    micros.clear();
    const std::string body = packet(false, 40);
    const std::string start = packet(true, 1);
    for (int i = 0; i < kRevolutions; ++i) {
      int64_t before = lidar.GetData().timestampNs;
      device.write(body);
      // A gap, so the start packet finds the worker waiting, as between a device's packets.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      auto written = Clock::now();
      device.write(start);
      auto deadline = written + std::chrono::seconds(2);
      while (lidar.GetData().timestampNs == before && Clock::now() < deadline) {
        std::this_thread::yield();
      }
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - written).count());
    }
    lidar.Close();
    unlink(link.c_str());
    rmdir(folder);
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  state.counters["worst_us"] = micros.back();
}

BENCHMARK(StartPacketToGetData)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
