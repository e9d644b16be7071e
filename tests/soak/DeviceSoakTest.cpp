// Creates and destroys every object device many times and checks that the process gives back
// what each cycle took: the same descriptors and threads exactly, and resident memory within a
// small allowance for the allocator's and thread-stack caches. Each device's simulator is
// started before the first footprint and outlives the last, so only the driver's share moves.
//
// Cycle counts: KORVANE_SOAK_CYCLES scales the full counts (see ProcessFootprint.h); unset, they
// are sized for CI: the full counts where a cycle is cheap (CAN, the motor controller, the
// LiDAR), a few dozen where opening the device takes a quarter of a second by design (USB and
// the mini LiDAR). Every tenth of a run prints its footprint, so a long run by hand shows its
// course.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ProcessFootprint.h"
#include "SimBus.h"
#include "Wait.h"
#include "korvane/Dystan.h"
#include "korvane/Kromel.h"
#include "korvane/Lidar.h"
#include "korvane/LidarMini.h"
#include "korvane/Torqa.h"
#include "korvane/sim/Can.h"
#include "korvane/sim/Serial.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"
#include "sim/kromel/KromelCanSim.h"
#include "sim/kromel/KromelUsbSim.h"
#include "sim/lidar/LidarRoomSim.h"
#include "sim/lidarmini/LidarMiniSim.h"
#include "sim/torqa/TorqaSim.h"
#include "torqa/Controllers.h"

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {

// The sanitizers keep freed memory (ASan's quarantine) or grow shadow memory (TSan) as the run
// goes, so resident memory says nothing about leaks there; LeakSanitizer checks memory instead.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerHoldsMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitizerHoldsMemory = true;
#else
constexpr bool kSanitizerHoldsMemory = false;
#endif
#else
constexpr bool kSanitizerHoldsMemory = false;
#endif

// Resident memory may settle a little higher than it started: glibc keeps freed heap and the
// stacks of joined threads for reuse. A leak of about 100 bytes a cycle exceeds this over 10,000
// cycles; the few dozen USB cycles run in CI catch only larger leaks, and lean on
// LeakSanitizer (asan preset) and the full counts run by hand for the rest.
constexpr long kRssAllowanceKb = 1024;
constexpr int kWarmUpCycles = 5;

// The simulated platform logs every CAN frame and serial call (bounded); emptying the logs each
// cycle keeps their growth out of the figures.
void clearPlatformLogs() {
  sim::clearSentFrames();
  sim::clearSerialCalls();
}

// A joined thread can still be listed for a moment (the kernel wakes the joiner before it has
// reaped the thread), the more so under emulation: the footprint once its counts stop falling,
// looked at for about two seconds at most.
soak::Footprint settledFootprint() {
  soak::Footprint last = soak::footprint();
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    soak::Footprint now = soak::footprint();
    if (now.threads >= last.threads && now.descriptors >= last.descriptors) return now;
    last = now;
  }
  return last;
}

// Runs `cycle` (one create and destroy, given the cycle's number; false when it failed) `count`
// times after a warm-up and compares the footprints taken before and after.
void soak(const char* device, int count, const std::function<bool(int)>& cycle) {
  for (int i = 0; i < kWarmUpCycles; ++i) {
    ASSERT_TRUE(cycle(-i - 1)) << device << ": warm-up cycle " << i << " failed";
    clearPlatformLogs();
  }
  const soak::Footprint before = settledFootprint();
  std::fprintf(stderr, "[soak] %s: %d cycles from %s\n", device, count,
               soak::describe(before).c_str());
  const Clock::time_point start = Clock::now();
  const int reportEvery = count >= 10 ? count / 10 : 1;
  for (int i = 1; i <= count; ++i) {
    ASSERT_TRUE(cycle(i)) << device << ": cycle " << i << " failed";
    clearPlatformLogs();
    if (i % reportEvery == 0 && i != count) {
      std::fprintf(stderr, "[soak] %s: after %d cycles: %s\n", device, i,
                   soak::describe(soak::footprint()).c_str());
    }
  }
  const soak::Footprint after = settledFootprint();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::fprintf(stderr, "[soak] %s: %d cycles in %.1f s\n[soak]   before: %s\n[soak]   after:  %s\n",
               device, count, seconds, soak::describe(before).c_str(),
               soak::describe(after).c_str());
  EXPECT_EQ(after.descriptors, before.descriptors) << device;
  EXPECT_EQ(after.threads, before.threads) << device;
  // Under a sanitizer, or under an emulator whose translated code grows as new paths run (the ARM
  // run under qemu sets KORVANE_SOAK_IGNORE_RSS), resident memory says nothing about leaks.
  if (!kSanitizerHoldsMemory && std::getenv("KORVANE_SOAK_IGNORE_RSS") == nullptr) {
    EXPECT_LE(after.rssKb, before.rssKb + kRssAllowanceKb) << device;
  }
}

class DeviceSoakTest : public test::SimBusTest {};

// The USB simulators record every command they receive; starting a fresh one every so many
// cycles keeps those records from growing over a long soak. The fresh one holds the same
// descriptors and threads as the one it replaces.
constexpr int kCyclesPerSimulator = 500;

template <class Sim>
bool restartEvery(int cycle, std::unique_ptr<Sim>* device, std::unique_ptr<Sim> (*start)()) {
  if (cycle > 0 && cycle % kCyclesPerSimulator == 0) {
    device->reset();
    *device = start();
  }
  return *device != nullptr;
}

TEST_F(DeviceSoakTest, ColourSensorOnCan) {
  auto device = sim::KromelCanSim::attach();
  soak("colour sensor on CAN", soak::cycles(10000, 10000), [](int) {
    Kromel sensor(0);
    if (!sensor.IsOpen()) return false;
    sensor.GetColor();
    const bool open = sim::openStreamSessions() == 1;
    sensor.Close();
    return open && sim::openStreamSessions() == 0;
  });
}

TEST_F(DeviceSoakTest, DistanceSensorOnCan) {
  auto device = sim::DystanCanSim::attach(0);
  soak("distance sensor on CAN", soak::cycles(10000, 10000), [](int) {
    Dystan sensor(0);
    if (!sensor.IsOpen()) return false;
    sensor.GetData(64);
    const bool open = sim::openStreamSessions() == 1;
    sensor.Close();
    return open && sim::openStreamSessions() == 0;
  });
}

TEST_F(DeviceSoakTest, ColourSensorOnUsb) {
  auto start = [] { return sim::KromelUsbSim::start(20); };
  std::unique_ptr<sim::KromelUsbSim> device = start();
  soak("colour sensor on USB", soak::cycles(150, 10000), [&](int i) {
    if (!restartEvery<sim::KromelUsbSim>(i, &device, +start)) return false;
    Kromel sensor(device->path(), 20);
    if (!sensor.IsOpen()) return false;
    sensor.GetColor();
    return true;
  });
}

TEST_F(DeviceSoakTest, DistanceSensorOnUsb) {
  auto start = [] { return sim::DystanUsbSim::start(); };
  std::unique_ptr<sim::DystanUsbSim> device = start();
  soak("distance sensor on USB", soak::cycles(60, 10000), [&](int i) {
    if (!restartEvery<sim::DystanUsbSim>(i, &device, +start)) return false;
    Dystan sensor(device->path(), 10);
    if (!sensor.IsOpen()) return false;
    sensor.GetData(64);
    return true;
  });
}

TEST_F(DeviceSoakTest, MiniLidarOnItsEmulator) {
  auto start = [] {
    auto device = sim::LidarMiniSim::start();
    if (device != nullptr && !device->plugIn()) device.reset();
    return device;
  };
  std::unique_ptr<sim::LidarMiniSim> device = start();
  soak("mini LiDAR", soak::cycles(60, 10000), [&](int i) {
    if (!restartEvery<sim::LidarMiniSim>(i, &device, +start)) return false;
    LidarMini lidar(SerialPort::kOnboard);
    if (!lidar.IsOpen()) return false;
    lidar.GetHealth();
    return true;
  });
}

TEST_F(DeviceSoakTest, MotorController) {
  auto device = sim::TorqaSim::attach(1);
  soak("motor controller", soak::cycles(1000, 1000), [](int) {
    Torqa controller(1, 1000);
    if (!controller.IsOpen()) return false;
    controller.SetSpeed(0, 0.5);
    const bool running = torqa::Controllers::instance().runningHeartbeats() == 1;
    controller.Close();
    return running && torqa::Controllers::instance().runningHeartbeats() == 0 &&
           sim::openCanHandles() == 0;
  });
}

// The LiDAR is one per library: each opening replaces the one before, whose worker is joined and
// whose port is closed, and closing the replaced object does nothing. The footprint with one LiDAR
// live must stay where it was over the replacements, and stopping the last closes its port.
TEST_F(DeviceSoakTest, LidarReplacement) {
  constexpr SerialPort kPort = SerialPort::kUSB1;
  sim::resetSerial();
  auto device = sim::LidarRoomSim::start();
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(sim::mapSerialPort(static_cast<int>(kPort), device->path()));
  const soak::Footprint none = soak::footprint();
  std::optional<Lidar> current;
  soak("LiDAR replaced", soak::cycles(1000, 1000), [&](int) {
    // Each opening opens the port anew, once the handle before is closed.
    sim::clearSerialCalls();
    Lidar next(kPort);
    current = std::move(next);  // closes the replaced object: nothing happens
    const auto calls = sim::serialCalls();
    const bool opened = std::any_of(calls.begin(), calls.end(), [](const auto& call) {
      return call.call == sim::SerialCall::Initialize && call.status == 0;
    });
    return opened && sim::openSerialHandles() == 1;
  });
  ASSERT_TRUE(current.has_value());
  current->Stop();
  // The port's descriptors go once the worker's read in flight has returned.
  test::waitUntil([&] { return soak::footprint().descriptors <= none.descriptors; });
  const soak::Footprint stopped = soak::footprint();
  std::fprintf(stderr, "[soak]   no LiDAR yet: %s\n[soak]   stopped: %s\n",
               soak::describe(none).c_str(), soak::describe(stopped).c_str());
  EXPECT_EQ(stopped.descriptors, none.descriptors) << "stop closes the port";
  EXPECT_EQ(stopped.threads, none.threads + 1) << "the last LiDAR's worker waits for a start";
}

}  // namespace
