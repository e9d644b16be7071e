// The driver side of one robot loop that reads every device once, every device simulated and
// streaming: the calls the Java device classes' per-loop getters make once they are past the JNI
// boundary (bench/java_loop_cost measures the whole way from Java). Loops start every period
// (at once after an overrun); each read is timed on its own and the loop's reads together.
// Prints every read's median and 99th percentile and those of the loop's total, in microseconds,
// for each period in turn. The rows beginning "HAL" time the HAL's own calls first in the loop,
// to set beside the motor controller's row: its session read of every status frame of the
// controller (the one HAL call the motor controller's row makes, on a session of its own that
// collects the same frames), and, for comparison, latest-frame reads of the eight frames the row
// decodes (what it would cost to read each frame on its own). They are left out of the total.
//
// A plain program (no benchmark library), so that it also runs under qemu-arm for the
// controller's ABI, where only ratios between builds mean anything.
//
// Usage: bench_loop_cost [loops [periodMs ...]] (500 loops at 20 ms, then at 1 ms)

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "DystanJNI.h"
#include "KromelJNI.h"
#include "LidarJNI.h"
#include "LidarMiniJNI.h"
#include "LinvoJNI.h"
#include "TorqaJNI.h"
#include "hal/CAN.h"
#include "hal/CANAPI.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/Serial.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"
#include "sim/linvo/LinvoSim.h"
#include "sim/torqa/TorqaSim.h"
#include "torqa/TorqaFrames.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace korvane::sim;

constexpr int kWarmUpLoops = 50;
constexpr int kMotors = 4;

struct Row {
  std::string name;
  std::function<void()> read;
  std::vector<int64_t> nanos;
};

double percentileMicros(std::vector<int64_t> nanos, double fraction) {
  std::sort(nanos.begin(), nanos.end());
  auto index = static_cast<long>(std::ceil(fraction * static_cast<double>(nanos.size()))) - 1;
  index = std::clamp<long>(index, 0, static_cast<long>(nanos.size()) - 1);
  return static_cast<double>(nanos[static_cast<size_t>(index)]) / 1e3;
}

void print(const std::string& name, const std::vector<int64_t>& nanos) {
  std::printf("%-34s %12.1f %12.1f\n", name.c_str(), percentileMicros(nanos, 0.50),
              percentileMicros(nanos, 0.99));
}

void runLoops(std::vector<Row>& rows, int loops, int periodMs) {
  std::vector<int64_t> totals(static_cast<size_t>(loops));
  for (Row& row : rows) row.nanos.assign(static_cast<size_t>(loops), 0);
  auto next = Clock::now();
  for (int loop = -kWarmUpLoops; loop < loops; ++loop) {
    int64_t total = 0;
    for (Row& row : rows) {
      const auto start = Clock::now();
      row.read();
      const int64_t took =
          std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
      if (row.name.rfind("HAL", 0) != 0) total += took;
      if (loop >= 0) row.nanos[static_cast<size_t>(loop)] = took;
    }
    if (loop >= 0) totals[static_cast<size_t>(loop)] = total;
    next += std::chrono::milliseconds(periodMs);
    if (next > Clock::now()) {
      std::this_thread::sleep_until(next);
    } else {
      next = Clock::now();
    }
  }
  std::printf("\n%d loops of %d ms\n%-34s %12s %12s\n", loops, periodMs, "read, per loop",
              "median us", "p99 us");
  for (const Row& row : rows) print(row.name, row.nanos);
  print("loop total (without the HAL rows)", totals);
}

}  // namespace

int main(int argc, char** argv) {
  const int loops = argc > 1 ? std::atoi(argv[1]) : 500;
  std::vector<int> periods;
  for (int i = 2; i < argc; ++i) periods.push_back(std::atoi(argv[i]));
  if (periods.empty()) periods = {20, 1};

  resetCan();
  auto torqaSim = TorqaSim::attach(1);
  auto kromelSim = KromelCanSim::attach();
  auto dystanUsbSim = DystanUsbSim::start({20, false, true});
  auto dystanCanSim = DystanCanSim::attach(3, 20);
  auto room = LidarRoomSim::start(1, true);
  auto miniSim = LidarMiniSim::start();
  auto converter = LinvoSim::attach();
  if (!dystanUsbSim || !room || !miniSim || !miniSim->plugIn() ||
      !mapSerialPort(HAL_SerialPort_MXP, room->path())) {
    std::fprintf(stderr, "the emulated devices could not start\n");
    return 1;
  }
  for (int channel = 0; channel < 4; ++channel)
    converter->setVoltage(channel, 0.5 + 0.25 * channel);

  const long torqa = TorqaJNI::c_Torqa_create(1, 20000);
  KromelJNI* kromel = KromelJNI::c_Kromel_create(2);
  DystanJNI* dystanUsb = DystanJNI::c_Dystan_createUsb(dystanUsbSim->path().c_str(), 20);
  DystanJNI* dystanCan = DystanJNI::c_Dystan_create(3);
  LidarJNI::c_Lidar_create(HAL_SerialPort_MXP);
  LidarMiniJNI* mini = LidarMiniJNI::c_LidarMini_create(HAL_SerialPort_USB1);
  if (torqa == 0 || kromel == nullptr || dystanUsb == nullptr || dystanCan == nullptr ||
      mini == nullptr) {
    std::fprintf(stderr, "a device could not be opened\n");
    return 1;
  }
  mini->c_LidarMini_start();
  LinvoJNI::c_initializeI2C(3.3f);

  // What the reads hand to the JNI layer, kept from loop to loop as a robot program keeps its
  // result objects.
  std::array<float, LidarJNI::kSlots> angles{};
  std::array<float, LidarJNI::kSlots> distances{};
  std::vector<float> miniAngles(8192), miniDistances(8192), miniIntensities(8192);
  std::array<int, DystanJNI::kMaxDistances> scanDistances{};
  volatile double sink = 0;

  // The same frames the motor controller's own session collects.
  uint32_t torqaFrames = 0;
  int32_t sessionStatus = 0;
  HAL_CAN_OpenStreamSession(&torqaFrames, korvane::torqa::frames::kStatusSession | 1,
                            korvane::torqa::frames::kStatusSessionMask, 128, &sessionStatus);

  std::vector<Row> rows = {
      {"HAL session read of Torqa's frames",
       [&] {
         HAL_CANStreamMessage messages[32];
         uint32_t read = 0;
         do {
           int32_t status = 0;
           HAL_CAN_ReadStreamSession(torqaFrames, messages, 32, &read, &status);
           if (status < 0) break;
           sink = sink + read;
         } while (read == 32);
       },
       {}},
      {"HAL reads of Torqa's 8 frames",
       [&] {
         for (int api : {41, 37, 42, 38, 43, 39, 44, 40}) {
           uint8_t data[8] = {};
           int32_t length = 0;
           uint64_t timestamp = 0;
           int32_t status = 0;
           HAL_ReadCANPacketLatest(static_cast<HAL_CANHandle>(torqa), api, data, &length,
                                   &timestamp, &status);
           sink = sink + data[0];
         }
       },
       {}},
      {"Torqa getRPM+getEncoderCount x4",
       [&] {
         // What the class's eight getters of one loop make: one read of all four motors.
         double rpms[kMotors];
         int32_t counts[kMotors];
         TorqaJNI::c_Torqa_readMotorTelemetry(torqa, rpms, counts);
         for (int motor = 0; motor < kMotors; ++motor) sink = sink + rpms[motor] + counts[motor];
       },
       {}},
      {"Kromel getColor (CAN)", [&] { sink = sink + kromel->c_Kromel_getColor().x; }, {}},
      {"Dystan getData(64) (USB)",
       [&] {
         auto scan = dystanUsb->c_Dystan_getLatestData(64);
         std::copy_n(scan.distance.begin(), scan.count, scanDistances.begin());
         sink = sink + scan.count;
       },
       {}},
      {"Lidar getData",
       [&] { sink = sink + LidarJNI::c_Lidar_readData(angles.data(), distances.data()); },
       {}},
      {"LidarMini getData",
       [&] {
         int64_t time = 0;
         int64_t age = 0;
         sink = sink + static_cast<double>(mini->c_LidarMini_readData(
                           miniAngles.data(), miniDistances.data(), miniIntensities.data(),
                           miniAngles.size(), &time, &age));
       },
       {}},
      {"Linvo getVoltage x4",
       [&] {
         for (uint8_t channel = 0; channel < 4; ++channel) {
           sink = sink + LinvoJNI::c_getLatestVoltage(channel);
         }
       },
       {}},
      {"Dystan getData(64) (CAN)",
       [&] {
         auto scan = dystanCan->c_Dystan_getLatestData(64);
         std::copy_n(scan.distance.begin(), scan.count, scanDistances.begin());
         sink = sink + scan.count;
       },
       {}},
  };

  for (int periodMs : periods) runLoops(rows, loops, periodMs);

  LinvoJNI::c_closeI2C();
  LidarMiniJNI::c_LidarMini_destroy(mini);
  LidarJNI::c_Lidar_stop();
  DystanJNI::c_Dystan_destroy(dystanCan);
  DystanJNI::c_Dystan_destroy(dystanUsb);
  KromelJNI::c_Kromel_destroy(kromel);
  TorqaJNI::c_Torqa_destroy(torqa);
  return 0;
}
