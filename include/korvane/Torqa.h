#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "korvane/DeviceFaults.h"
#include "korvane/DeviceHandle.h"

namespace korvane {

/// A Torqa four-channel CAN motor controller (motors 0 to 3).
///
/// Opening starts the controller's heartbeat, which tells it every 100 ms whether the robot is
/// enabled (motors stop without an enabled heartbeat). The heartbeat is shared by every open
/// controller: closing any controller stops the heartbeat of every one, and the next controller
/// opened starts its own again (the controllers' rule, the same from Java).
///
/// Open failure: a device number outside 1..63, a frequency outside 0..20000 or a CAN handle the
/// HAL refuses leaves the object closed (IsOpen() false); the reason is printed on the console and
/// reported to the driver station. A closed object's commands send nothing and its getters return
/// their failure values (0, false, empty, -1).
///
/// Blocking: commands send one frame and return at once; getters read the newest status frame
/// the HAL holds and never wait (the getters of one robot loop share one HAL call for all of the
/// controller's status frames, within 1 ms); the identity calls block, see each. Close blocks up to
/// one heartbeat period (100 ms).
///
/// Threading: every call may come from any thread, also while another runs; commands never wait
/// for each other; the identity calls of one controller take turns. Close, destruction and
/// assignment must not race other calls on the same object.
class Torqa {
 public:
  static constexpr int kMotors = 4;
  static constexpr int kMaxDeviceId = 63;
  static constexpr int kMaxFrequency = 20000;

  /// The controller's PID types; their meaning is the controller firmware's.
  enum class PIDType { kType0 = 0, kType1 = 1, kType2 = 2 };

  /// Opens the controller at CAN device number 1..63 on CAN bus 0 with the motor frequency (Hz,
  /// 0..20000) for all four motors, and starts the heartbeat. Returns at once; on failure the
  /// object is closed.
  Torqa(int deviceId, int frequency);
  /// The same on a CAN bus of the robot's (0 .. the bus count - 1; WPILib 2026 has bus 0 only);
  /// every frame to the controller goes on that bus. A bus the robot does not have leaves the
  /// object closed.
  Torqa(int bus, int deviceId, int frequency);
  /// Closes the controller (as Close()).
  ~Torqa() = default;
  Torqa(Torqa&&) noexcept = default;
  Torqa& operator=(Torqa&&) noexcept = default;

  /// Whether the controller is open. Returns at once.
  bool IsOpen() const { return handle_.Get() != 0; }
  /// Closes the controller, stopping every controller's heartbeat; later calls do nothing. Blocks
  /// up to one heartbeat period (100 ms). Safe to call again.
  void Close() noexcept { handle_.Reset(); }
  /// The CAN device number given at opening.
  int GetDeviceId() const { return deviceId_; }
  /// The HAL's CAN handle; 0 when closed.
  int64_t GetHandle() const { return handle_.Get(); }

  /// @name Commands: one frame each, sent at once. A motor outside 0..3 sends nothing.
  ///@{
  /// Sets one motor's frequency (Hz, 0..20000).
  void ConfigureMotor(int motor, int frequency);
  /// Drives a motor open-loop: -1.0 (full reverse) to 1.0 (full forward) in steps of 1 %;
  /// clamped; NaN stops.
  void SetSpeed(int motor, double speed);
  void DisableMotor(int motor);
  /// Sets a motor's encoder count to zero.
  void ResetEncoder(int motor);
  /// Closed-loop speed target, RPM (sent in hundredths).
  void SetTargetVelocity(int motor, double rpm);
  /// Closed-loop position target, encoder counts (24 bits are sent).
  void SetTargetDistance(int motor, int counts);
  /// Closed-loop angle target, 0..360 degrees (clamped).
  void SetTargetAngle(int motor, double degrees);
  void SetPositionHold(int motor, bool hold);
  /// Encoder counts per revolution, 0..65535.
  void SetEncoderResolution(int motor, int countsPerRevolution);
  /// Current limit in amperes, 0..655.35 (clamped).
  void SetCurrentLimit(int motor, double amps);
  void SetCurrentLimitEnabled(int motor, bool enabled);
  /// The controller's stop mode (0..255, the firmware's meaning), for every motor.
  void SetStopMode(int mode);
  /// The PID type of every motor, or of one.
  void SetPIDType(PIDType type);
  void SetPIDType(int motor, PIDType type);
  /// Starts the controller's autotuning of every motor, or of one.
  void Autotune();
  void Autotune(int motor);
  /// The controller's CAN sensor delay, 5..65535 (smaller values are raised to 5).
  void SetCANSensorDelay(int delay);
  /// Sensitivity 0..10; other values send nothing.
  void SetSensitivity(int motor, int sensitivity);
  /// Distance per encoder tick of one motor, for GetEncoderDistance; this controller's own, 1.0
  /// until set. Sends nothing.
  void SetDistancePerTick(int motor, double distancePerTick);
  ///@}

  /// @name Telemetry: decoded from the newest status frame of each kind; never waits. 0 (or
  /// false) while no frame has come, for a motor outside 0..3 and when closed.
  ///@{
  int GetFrequency();
  /// Degrees Celsius.
  double GetTemperature();
  double GetRPM(int motor);
  /// The speed, or nothing while no frame has come.
  std::optional<double> TryGetRPM(int motor);
  /// The closed-loop target speed, or nothing while no frame has come.
  std::optional<double> TryGetTargetRPM(int motor);
  /// The four target speeds, or nothing unless all four frames have come.
  std::optional<std::array<double, kMotors>> GetTargetRPMs();
  /// The first (second) limit switch of a motor.
  bool GetLimitSwitch(int motor, bool second);
  /// The absolute encoder's position, degrees.
  double GetOrvixPosition(int motor);
  int GetEncoderCount(int motor);
  double GetEncoderRaw(int motor);
  /// The count times this controller's distance per tick of the motor.
  double GetEncoderDistance(int motor);
  /// RPM, from the speed frame.
  double GetEncoderSpeed(int motor);
  ///@}

  /// @name Health: never waits (one shared status-frame read).
  ///@{
  /// Whether status frames keep coming (one within 100 ms; the controller sends them every
  /// 20 ms). False before the first, after the timeout and when closed. Each change is also
  /// reported once to the driver station.
  bool IsConnected();
  /// Milliseconds since the newest status frame arrived; -1 before any and when closed.
  int64_t GetDataAgeMs();
  /// Connected, data age and failed calls since opening; all empty when closed.
  DeviceFaults GetFaults();
  ///@}

  /// @name Identity: the info record is asked for until it comes and then kept. These block:
  /// up to about 1.1 s while the controller does not answer (then the failure value), 10 ms for
  /// the serial number. The identity calls of one controller take turns.
  ///@{
  /// The device number the controller reports; 0 when it did not answer.
  int GetReportedDeviceId();
  /// "Firmware Version: [a.b.c]", or "Firmware Version: (read failed)".
  std::string GetFirmwareVersion();
  /// "Hardware: Torqa Quad, Version: n" (or Small), "No Hardware Found!", or
  /// "Hardware: (read failed)".
  std::string GetHardwareVersion();
  /// Three 32-bit words in hexadecimal, "XXXXXXXX-XXXXXXXX-XXXXXXXX" (zeros for words not
  /// received); empty when closed.
  std::string GetSerialNumber();
  ///@}

 private:
  static void Destroy(int64_t handle) noexcept;

  int deviceId_;
  DeviceHandle handle_;
};

}  // namespace korvane
