// How soon each device reads as not connected once it falls silent, against its stated timeout:
// 20 times per device, its simulator or emulator is silenced and isConnected is asked every
// millisecond until it says false. Two figures, as medians (and the worst) of the 20:
// - from_silencing_ms: from the call that silenced the simulator (which may still send what it
//   was sending) to false;
// - from_last_data_ms: from the newest data the driver had (its age when false came) to false.
// Each then hears the device again before the next round.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DystanJNI.h"
#include "KromelJNI.h"
#include "LidarJNI.h"
#include "LidarMiniJNI.h"
#include "LinvoJNI.h"
#include "TorqaJNI.h"
#include "hal/SerialPort.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/I2c.h"
#include "korvane/sim/Serial.h"
#include "lidar/LidarImpl.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/kromel/KromelUsbSim.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"
#include "sim/linvo/LinvoSim.h"
#include "sim/torqa/TorqaSim.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 20;

// One device under test: how to ask it, and how to silence and resume it.
struct Subject {
  std::function<bool()> connected;
  std::function<int64_t()> ageMs;
  std::function<void()> silence;
  std::function<void()> resume;
};

double milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

void measure(benchmark::State& state, const Subject& subject, double boundMs) {
  std::vector<double> fromSilencing, fromLastData;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      if (!waitFor(subject.connected, std::chrono::seconds(10))) {
        state.SkipWithError("the device is not heard from");
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const auto silenced = Clock::now();
      subject.silence();
      while (subject.connected()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const auto quiet = Clock::now();
      const int64_t age = subject.ageMs();
      fromSilencing.push_back(milliseconds(quiet - silenced));
      fromLastData.push_back(static_cast<double>(age));
      subject.resume();
    }
  }
  state.counters["bound_ms"] = boundMs;
  state.counters["from_silencing_ms"] = median(fromSilencing);
  state.counters["from_silencing_worst_ms"] =
      *std::max_element(fromSilencing.begin(), fromSilencing.end());
  state.counters["from_last_data_ms"] = median(fromLastData);
}

void TorqaDetached(benchmark::State& state) {
  korvane::sim::resetCan();
  auto sim = korvane::sim::TorqaSim::attach(1);
  const long handle = TorqaJNI::c_Torqa_create(1, 1000);
  Subject subject{[&] { return TorqaJNI::c_Torqa_isConnected(handle); },
                  [&] { return TorqaJNI::c_Torqa_getDataAgeMs(handle); }, [&] { sim->detach(); },
                  [&] { sim = korvane::sim::TorqaSim::attach(1); }};
  measure(state, subject, 100);
  TorqaJNI::c_Torqa_destroy(handle);
  sim->detach();
}

void KromelCanSilent(benchmark::State& state) {
  korvane::sim::resetCan();
  auto sim = korvane::sim::KromelCanSim::attach();
  KromelJNI* sensor = KromelJNI::c_Kromel_create(1);
  Subject subject{[&] { return sensor->c_Kromel_isConnected(); },
                  [&] { return sensor->c_Kromel_getDataAgeMs(); },
                  [&] { sim->setPublishing(false); }, [&] { sim->setPublishing(true); }};
  measure(state, subject, 300);
  KromelJNI::c_Kromel_destroy(sensor);
  sim->detach();
}

void KromelUsbSilent(benchmark::State& state) {
  auto sim = korvane::sim::KromelUsbSim::start(20);
  KromelJNI* sensor = KromelJNI::c_Kromel_createUsb(sim->path().c_str(), 20);
  Subject subject{[&] { return sensor->c_Kromel_isConnected(); },
                  [&] { return sensor->c_Kromel_getDataAgeMs(); },
                  [&] { sim->setStreaming(false); }, [&] { sim->setStreaming(true); }};
  measure(state, subject, 100);
  KromelJNI::c_Kromel_destroy(sensor);
}

void DystanCanSilent(benchmark::State& state) {
  korvane::sim::resetCan();
  auto sim = korvane::sim::DystanCanSim::attach(2, 20);
  DystanJNI* sensor = DystanJNI::c_Dystan_create(2);
  Subject subject{[&] { return sensor->c_Dystan_isConnected(); },
                  [&] { return sensor->c_Dystan_getDataAgeMs(); }, [&] { sim->setSilent(true); },
                  [&] { sim->setSilent(false); }};
  measure(state, subject, 500);
  DystanJNI::c_Dystan_destroy(sensor);
  sim->detach();
}

void DystanUsbSilent(benchmark::State& state) {
  auto sim = korvane::sim::DystanUsbSim::start();
  DystanJNI* sensor = DystanJNI::c_Dystan_createUsb(sim->path().c_str(), 15);
  Subject subject{[&] { return sensor->c_Dystan_isConnected(); },
                  [&] { return sensor->c_Dystan_getDataAgeMs(); },
                  [&] { sim->setStreaming(false); }, [&] { sim->setStreaming(true); }};
  measure(state, subject, 200);
  DystanJNI::c_Dystan_destroy(sensor);
}

void LidarSilent(benchmark::State& state) {
  korvane::sim::resetSerial();
  auto room = korvane::sim::LidarRoomSim::start();
  korvane::sim::mapSerialPort(HAL_SerialPort_USB1, room->path());
  LidarJNI::c_Lidar_create(HAL_SerialPort_USB1);
  Subject subject{[] { return LidarJNI::c_Lidar_isConnected(); },
                  [] { return LidarJNI::c_Lidar_getDataAgeMs(); },
                  [&] { room->setStreaming(false); }, [&] { room->setStreaming(true); }};
  measure(state, subject, LidarJNI::kSilenceMs);
  LidarJNI::c_Lidar_stop();
  LidarJNI::pImpl.reset();
}

void LidarMiniSilent(benchmark::State& state) {
  auto device = korvane::sim::LidarMiniSim::start();
  device->plugIn();
  LidarMiniJNI* lidar = LidarMiniJNI::c_LidarMini_create(HAL_SerialPort_USB1);
  lidar->c_LidarMini_start();
  Subject subject{[&] { return lidar->c_LidarMini_isConnected(); },
                  [&] { return lidar->c_LidarMini_getDataAgeMs(); },
                  [&] { device->setSilent(true); }, [&] { device->setSilent(false); }};
  measure(state, subject, LidarMiniJNI::kSilenceMs);
  LidarMiniJNI::c_LidarMini_destroy(lidar);
}

// The converter taken off the bus; a robot loop reads the sensor, so the sampler samples.
void LinvoDetached(benchmark::State& state) {
  korvane::sim::resetI2c();
  auto converter = korvane::sim::LinvoSim::attach(1, 0x48);
  LinvoJNI::c_initializeI2C(3.3f);
  Subject subject{[] {
                    LinvoJNI::c_getLatestRawValue(0);
                    return LinvoJNI::c_isAnswering();
                  },
                  [] { return LinvoJNI::c_getDataAgeMs(); }, [&] { converter->detach(); },
                  [&] { converter = korvane::sim::LinvoSim::attach(1, 0x48); }};
  measure(state, subject, 100);
  LinvoJNI::c_closeI2C();
  converter->detach();
}

#define HEALTH_BENCHMARK(name) \
  BENCHMARK(name)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()

HEALTH_BENCHMARK(TorqaDetached);
HEALTH_BENCHMARK(KromelCanSilent);
HEALTH_BENCHMARK(KromelUsbSilent);
HEALTH_BENCHMARK(DystanCanSilent);
HEALTH_BENCHMARK(DystanUsbSilent);
HEALTH_BENCHMARK(LidarSilent);
HEALTH_BENCHMARK(LidarMiniSilent);
HEALTH_BENCHMARK(LinvoDetached);

}  // namespace

BENCHMARK_MAIN();
