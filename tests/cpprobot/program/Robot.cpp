// A C++ robot program as a team builds it in WPILib's desktop simulation: compiled against the
// vendor dependency's headers zip and WPILib's HAL headers, linked against the library zip of
// this platform and WPILib's libraries, all unpacked as GradleRIO unpacks them. It opens the
// motor controller and the colour sensor on CAN, reads what their simulators send, and closes
// them.
//
// The simulators are the test's (the library named by the first argument, loaded at run time):
// the robot program itself takes nothing from the repository but the zips.
//
// Exit status 0 when every reading equals what the simulators send; 1 with the differences on
// standard error otherwise.

#include <dlfcn.h>
#include <hal/HALBase.h>
#include <hal/simulation/DriverStationData.h>
#include <korvane/Kromel.h>
#include <korvane/Torqa.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "RobotSimulators.h"

namespace {

using namespace std::chrono_literals;

constexpr KorvaneRobotSimulation kSimulated{
    .torqaDeviceNumber = 7,
    .colorX = 0.25f,
    .colorY = -0.5f,
    .colorZ = 1.0f,
    .temperatureCelsius = 41.5,
    .infoRecord = {7, 1, 2, 10, 1, 5, 0, 0},
    .serialNumber = {0x0012A4F0, 0x00000000, 0xDEADBEEF},
};
constexpr int kKromelCanId = 5;
// One count of the colour frame's channels.
constexpr float kColorResolution = 0.0001f;

int g_failures = 0;

void fail(const std::string& what) {
  std::fprintf(stderr, "robot program: %s\n", what.c_str());
  ++g_failures;
}

// Waits, generously, until the condition holds; says what it waited for when it does not.
bool waitUntil(const std::function<bool()>& condition, const std::string& what) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      fail("timed out waiting for " + what);
      return false;
    }
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

template <typename T>
T symbol(void* library, const char* name) {
  void* found = dlsym(library, name);
  if (!found) {
    std::fprintf(stderr, "robot program: the simulators' library has no %s\n", name);
    std::exit(2);
  }
  return reinterpret_cast<T>(found);
}

void readTheMotorController(korvane::Torqa& motors, KorvaneMotorRpm simulatedRpm) {
  if (!motors.IsOpen()) return fail("the motor controller did not open");
  waitUntil([&] { return motors.IsConnected(); }, "the motor controller's status frames");
  waitUntil([&] { return motors.GetTemperature() == kSimulated.temperatureCelsius; },
            "the controller's temperature, 41.5 degrees");

  std::string firmware = motors.GetFirmwareVersion();
  if (firmware != "Firmware Version: [1.2.10]") fail("firmware version: " + firmware);
  std::string hardware = motors.GetHardwareVersion();
  if (hardware != "Hardware: Torqa Quad, Version: 5") fail("hardware version: " + hardware);
  if (motors.GetReportedDeviceId() != kSimulated.torqaDeviceNumber) {
    fail("reported device number " + std::to_string(motors.GetReportedDeviceId()));
  }
  std::string serial = motors.GetSerialNumber();
  if (serial != "0012A4F0-00000000-DEADBEEF") fail("serial number: " + serial);

  // Enabled, the controller's model turns motor 0 at half of its 6000 RPM.
  HALSIM_SetDriverStationEnabled(true);
  motors.SetSpeed(0, 0.5);
  waitUntil([&] { return std::abs(simulatedRpm(0) - 3000.0) < 0.5; },
            "the simulated motor at 3000 RPM");
  waitUntil([&] { return std::abs(motors.GetRPM(0) - 3000.0) < 0.5; },
            "GetRPM(0) reading the simulated 3000 RPM");
  std::optional<double> rpm = motors.TryGetRPM(0);
  if (!rpm || std::abs(*rpm - 3000.0) >= 0.5) fail("TryGetRPM(0) does not read 3000 RPM");
  HALSIM_SetDriverStationEnabled(false);
}

void readTheColourSensor(korvane::Kromel& colour, KorvaneColorSequence simulatedSequence) {
  if (!colour.IsOpen()) return fail("the colour sensor did not open");
  if (colour.GetCanId() != kKromelCanId)
    fail("colour sensor CAN ID " + std::to_string(colour.GetCanId()));
  korvane::Kromel::ColorData reading;
  waitUntil(
      [&] {
        reading = colour.GetColor();
        return reading.valid && reading.sequence >= 3;
      },
      "three colour frames");
  if (reading.sequence > simulatedSequence()) {
    fail("reading " + std::to_string(reading.sequence) + " is newer than the simulator's frames");
  }
  if (std::abs(reading.x - kSimulated.colorX) > kColorResolution / 2 ||
      std::abs(reading.y - kSimulated.colorY) > kColorResolution / 2 ||
      std::abs(reading.z - kSimulated.colorZ) > kColorResolution / 2) {
    fail("colour " + std::to_string(reading.x) + " " + std::to_string(reading.y) + " " +
         std::to_string(reading.z) + ", the simulator sends 0.25 -0.5 1");
  }
  if (!colour.IsConnected()) fail("the colour sensor is not connected while it sends");
  if (!colour.SetBrightness(40)) fail("the colour sensor did not acknowledge a brightness");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <simulators' library>\n", argv[0]);
    return 2;
  }
  // As WPILib's StartRobot does first (our library has done so when it loaded, in a simulation).
  if (!HAL_Initialize(500, 0)) {
    std::fprintf(stderr, "robot program: HAL_Initialize failed\n");
    return 2;
  }
  void* simulators = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!simulators) {
    std::fprintf(stderr, "robot program: cannot load %s: %s\n", argv[1], dlerror());
    return 2;
  }
  auto attach = symbol<KorvaneAttachRobotSimulators>(simulators, "korvane_attach_robot_simulators");
  auto sequence = symbol<KorvaneColorSequence>(simulators, "korvane_color_sequence");
  auto rpm = symbol<KorvaneMotorRpm>(simulators, "korvane_motor_rpm");
  auto detach = symbol<KorvaneDetachRobotSimulators>(simulators, "korvane_detach_robot_simulators");
  if (attach(&kSimulated) != 0) fail("the simulators were already attached");

  {
    korvane::Torqa motors(kSimulated.torqaDeviceNumber, 1000);
    korvane::Kromel colour(kKromelCanId);
    readTheMotorController(motors, rpm);
    readTheColourSensor(colour, sequence);
    motors.Close();
    colour.Close();
    if (motors.IsOpen() || colour.IsOpen()) fail("a device is open after Close()");
    if (motors.GetRPM(0) != 0.0 || colour.GetColor().valid) fail("a closed device still reads");
  }
  detach();
  if (g_failures == 0)
    std::puts(
        "robot program: the motor controller and the colour sensor read what their simulators "
        "send");
  return g_failures == 0 ? 0 : 1;
}
