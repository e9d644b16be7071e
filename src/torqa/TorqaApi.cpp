// korvane::Torqa, the motor controller of the C++ API: an open controller found by its CAN handle
// (torqa/Operations.h does the work), motors checked to be 0..3 before anything is sent.

#include <cmath>
#include <string>

#include "common/CanDeviceId.h"
#include "common/DriverStationReport.h"
#include "common/OpenDevice.h"
#include "korvane/Torqa.h"
#include "torqa/Operations.h"

namespace korvane {

namespace {

using torqa::Read;
using torqa::Target;

bool isMotor(int motor) {
  return motor >= 0 && motor < Torqa::kMotors;
}

signed char motorIndex(int motor) {
  return static_cast<signed char>(motor);
}

int64_t openController(int bus, int deviceId, int frequency) {
  const int32_t handle =
      orOnThrow(int32_t{0}, [&] { return torqa::open(bus, deviceId, frequency); });
  if (handle == 0) reportNotOpened("Torqa[" + canDeviceId(bus, deviceId) + "]");
  return handle;
}

// Runs a command on the open controller of a motor 0..3.
template <class Command>
void onMotor(int64_t handle, int motor, Command&& command) {
  if (!isMotor(motor)) return;
  onOpen(Target(handle), [&](const Target& to) { command(to, motorIndex(motor)); });
}

}  // namespace

Torqa::Torqa(int deviceId, int frequency) : Torqa(0, deviceId, frequency) {}

Torqa::Torqa(int bus, int deviceId, int frequency)
    : deviceId_(deviceId), handle_(&Torqa::Destroy, openController(bus, deviceId, frequency)) {}

void Torqa::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { torqa::close(static_cast<int32_t>(handle)); });
}

void Torqa::ConfigureMotor(int motor, int frequency) {
  if (frequency < 0 || frequency > kMaxFrequency) return;
  onMotor(handle_.Get(), motor,
          [&](const Target& to, signed char m) { torqa::configureMotor(to, m, frequency); });
}

void Torqa::SetSpeed(int motor, double speed) {
  onMotor(handle_.Get(), motor,
          [&](const Target& to, signed char m) { torqa::setMotorSpeed(to, m, speed); });
}

void Torqa::DisableMotor(int motor) {
  onMotor(handle_.Get(), motor,
          [](const Target& to, signed char m) { torqa::disableMotor(to, m); });
}

void Torqa::ResetEncoder(int motor) {
  onMotor(handle_.Get(), motor,
          [](const Target& to, signed char m) { torqa::resetEncoder(to, m); });
}

void Torqa::SetTargetVelocity(int motor, double rpm) {
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    torqa::setTargetVelocity(to, m, static_cast<float>(rpm));
  });
}

void Torqa::SetTargetDistance(int motor, int counts) {
  onMotor(handle_.Get(), motor,
          [&](const Target& to, signed char m) { torqa::setTargetDistance(to, m, counts); });
}

void Torqa::SetTargetAngle(int motor, double degrees) {
  onMotor(handle_.Get(), motor,
          [&](const Target& to, signed char m) { torqa::setTargetAngle(to, m, degrees); });
}

void Torqa::SetPositionHold(int motor, bool hold) {
  onMotor(handle_.Get(), motor,
          [&](const Target& to, signed char m) { torqa::setPositionHold(to, m, hold); });
}

void Torqa::SetEncoderResolution(int motor, int countsPerRevolution) {
  if (countsPerRevolution < 0 || countsPerRevolution > 65535) return;
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    torqa::setEncoderResolution(to, m, static_cast<unsigned short>(countsPerRevolution));
  });
}

void Torqa::SetCurrentLimit(int motor, double amps) {
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    torqa::setCurrentLimit(to, m, static_cast<float>(amps));
  });
}

void Torqa::SetCurrentLimitEnabled(int motor, bool enabled) {
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    torqa::setCurrentLimitMode(to, m, enabled ? 1 : 0);
  });
}

void Torqa::SetStopMode(int mode) {
  if (mode < 0 || mode > 255) return;
  onOpen(Target(handle_.Get()),
         [&](const Target& to) { torqa::setMotorStopMode(to, static_cast<unsigned char>(mode)); });
}

void Torqa::SetPIDType(PIDType type) {
  onOpen(Target(handle_.Get()),
         [&](const Target& to) { torqa::setPIDType(to, static_cast<unsigned char>(type)); });
}

void Torqa::SetPIDType(int motor, PIDType type) {
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    torqa::setMotorPIDType(to, m, static_cast<unsigned char>(type));
  });
}

void Torqa::Autotune() {
  onOpen(Target(handle_.Get()), [](const Target& to) { torqa::autotuneAll(to); });
}

void Torqa::Autotune(int motor) {
  onMotor(handle_.Get(), motor,
          [](const Target& to, signed char m) { torqa::autotuneMotor(to, m); });
}

void Torqa::SetCANSensorDelay(int delay) {
  if (delay > 65535) return;
  onOpen(Target(handle_.Get()), [&](const Target& to) {
    torqa::setCANSensorOsDelay(to, static_cast<unsigned short>(delay < 0 ? 0 : delay));
  });
}

void Torqa::SetSensitivity(int motor, int sensitivity) {
  if (sensitivity < 0 || sensitivity > 10) return;
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    torqa::setSensitivity(to, m, static_cast<unsigned char>(sensitivity));
  });
}

void Torqa::SetDistancePerTick(int motor, double distancePerTick) {
  onMotor(handle_.Get(), motor, [&](const Target& to, signed char m) {
    to.controller()->setDistancePerTick(m, distancePerTick);
  });
}

int Torqa::GetFrequency() {
  return onOpen(Target(handle_.Get()), 0,
                [](const Target& of) { return torqa::frequency(of, Read::kRecent); });
}

double Torqa::GetTemperature() {
  return onOpen(Target(handle_.Get()), 0.0,
                [](const Target& of) { return torqa::controllerTemp(of, Read::kRecent); });
}

double Torqa::GetRPM(int motor) {
  if (!isMotor(motor)) return 0.0;
  return onOpen(Target(handle_.Get()), 0.0,
                [&](const Target& of) { return torqa::rpm(of, motorIndex(motor), Read::kRecent); });
}

std::optional<double> Torqa::TryGetRPM(int motor) {
  if (!isMotor(motor)) return std::nullopt;
  return onOpen(Target(handle_.Get()), std::optional<double>(),
                [&](const Target& of) -> std::optional<double> {
                  double rpm = 0.0;
                  if (!torqa::tryRpm(of, motorIndex(motor), &rpm, Read::kRecent)) return {};
                  return rpm;
                });
}

std::optional<double> Torqa::TryGetTargetRPM(int motor) {
  if (!isMotor(motor)) return std::nullopt;
  return onOpen(Target(handle_.Get()), std::optional<double>(),
                [&](const Target& of) -> std::optional<double> {
                  double rpm = 0.0;
                  if (!torqa::tryTargetRpm(of, motorIndex(motor), &rpm, Read::kRecent)) return {};
                  return rpm;
                });
}

std::optional<std::array<double, Torqa::kMotors>> Torqa::GetTargetRPMs() {
  using Targets = std::optional<std::array<double, kMotors>>;
  return onOpen(Target(handle_.Get()), Targets(), [](const Target& of) -> Targets {
    std::array<double, kMotors> rpms{};
    if (!torqa::targetRpms(of, rpms.data(), Read::kRecent)) return {};
    return rpms;
  });
}

bool Torqa::GetLimitSwitch(int motor, bool second) {
  if (!isMotor(motor)) return false;
  return onOpen(Target(handle_.Get()), false, [&](const Target& of) {
    return torqa::limitSwitch(of, motorIndex(motor), second, Read::kRecent) != 0;
  });
}

double Torqa::GetOrvixPosition(int motor) {
  if (!isMotor(motor)) return 0.0;
  return onOpen(Target(handle_.Get()), 0.0, [&](const Target& of) {
    return torqa::orvixPosition(of, motorIndex(motor), Read::kRecent);
  });
}

int Torqa::GetEncoderCount(int motor) {
  if (!isMotor(motor)) return 0;
  return onOpen(Target(handle_.Get()), 0, [&](const Target& of) {
    return torqa::encoderCount(of, motorIndex(motor), Read::kRecent);
  });
}

double Torqa::GetEncoderRaw(int motor) {
  return static_cast<double>(GetEncoderCount(motor));
}

double Torqa::GetEncoderDistance(int motor) {
  if (!isMotor(motor)) return 0.0;
  return onOpen(Target(handle_.Get()), 0.0, [&](const Target& of) {
    return torqa::encoderDistance(of, motorIndex(motor), of.controller()->distancePerTick(motor),
                                  Read::kRecent);
  });
}

double Torqa::GetEncoderSpeed(int motor) {
  if (!isMotor(motor)) return 0.0;
  return onOpen(Target(handle_.Get()), 0.0, [&](const Target& of) {
    return torqa::encoderSpeed(of, motorIndex(motor), Read::kRecent);
  });
}

bool Torqa::IsConnected() {
  return onOpen(Target(handle_.Get()), false,
                [](const Target& of) { return torqa::isConnected(of); });
}

int64_t Torqa::GetDataAgeMs() {
  return onOpen(Target(handle_.Get()), int64_t{-1},
                [](const Target& of) { return torqa::dataAgeMs(of); });
}

DeviceFaults Torqa::GetFaults() {
  return onOpen(Target(handle_.Get()), DeviceFaults{},
                [](const Target& of) { return torqa::faults(of); });
}

int Torqa::GetReportedDeviceId() {
  return onOpen(Target(handle_.Get()), 0, [](const Target& of) { return torqa::reportedId(of); });
}

std::string Torqa::GetFirmwareVersion() {
  return onOpen(Target(handle_.Get()), std::string("Firmware Version: (read failed)"),
                [](const Target& of) { return torqa::firmwareVersion(of); });
}

std::string Torqa::GetHardwareVersion() {
  return onOpen(Target(handle_.Get()), std::string("Hardware: (read failed)"),
                [](const Target& of) { return torqa::hardwareVersion(of); });
}

std::string Torqa::GetSerialNumber() {
  return onOpen(Target(handle_.Get()), std::string(),
                [](const Target& of) { return torqa::serialNumber(of); });
}

}  // namespace korvane
