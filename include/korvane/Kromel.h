#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "korvane/DeviceFaults.h"
#include "korvane/DeviceHandle.h"
#include "korvane/SerialPort.h"

namespace korvane {

/// A Kromel colour sensor, on the robot's CAN bus or on a USB serial port; the transport is fixed
/// when it is opened.
///
/// Open failure: a CAN ID outside 0..63, a CAN session the HAL refuses, or a USB device that is
/// missing or cannot be opened leaves the object closed (IsOpen() false); the reason is printed on
/// the console and reported to the driver station. A closed object's calls return their failure
/// values. A USB device that takes no bytes still opens, once its opening lines have given up (see
/// Blocking): IsOpen() is true, and it is reported as never heard from (IsConnected() false).
///
/// Blocking: GetColor returns the newest reading at once, never waiting for the sensor (over USB a
/// reader thread keeps it). Commands (the setters and GetConfig) block: over CAN until the sensor
/// acknowledges, at most 500 ms; over USB until the command line has left the port, at most about
/// 1 s. Opening over USB blocks up to about 2 s on a port that takes no bytes. Close blocks until
/// the reader thread has stopped and the calls in progress on other threads have returned.
///
/// Threading: every call may come from any thread. Commands of one sensor take turns, from any
/// number of threads (over CAN two commands in flight would take each other's acknowledgements);
/// readings and health run beside them and each other. Close, destruction and assignment must not
/// race other calls on the same object.
class Kromel {
 public:
  static constexpr int kMaxCanId = 63;

  /// The formats the sensor reports colours in.
  enum class ColorFormat { kRGB = 0, kRAW = 1, kSRGB = 2, kHEX = 3, kXYZ = 4 };
  /// The sensor's measure modes; their meaning is the sensor firmware's (mode 2 takes a value).
  enum class MeasureMode { kMode0 = 0, kMode1 = 1, kMode2 = 2 };

  /// One colour reading; valid false means there is none, and every other field is then 0 (ageMs
  /// -1).
  struct ColorData {
    uint16_t sequence = 0;  ///< counts readings, wrapping at 65536
    float x = 0.0f;         ///< in the units of the sensor's colour format
    float y = 0.0f;
    float z = 0.0f;
    bool valid = false;
    /// Milliseconds between the arrival of this reading's data and the moment it was read,
    /// counted as GetDataAgeMs counts the sensor's newest data.
    int64_t ageMs = -1;
  };

  /// Opens the sensor on CAN bus 0 at ID 0..63. Returns at once.
  explicit Kromel(int canId);
  /// Opens the sensor on a CAN bus of the robot's (0 .. the bus count - 1; WPILib 2026 has bus
  /// 0 only) at ID 0..63; a bus the robot does not have leaves it closed. Returns at once.
  Kromel(int bus, int canId);
  /// Opens the sensor on a USB serial device (e.g. from FindDevicePath), sets the XYZ format,
  /// sends the sample time when above 0 (milliseconds between readings) and starts reading.
  /// Blocks until those lines have left the port: at most about 2 s.
  Kromel(const std::string& path, int sampleTimeMs);
  ~Kromel() = default;
  Kromel(Kromel&&) noexcept = default;
  Kromel& operator=(Kromel&&) noexcept = default;

  /// A USB serial device in /dev (a COM port on Windows): the second found for SerialPort::kUSB2,
  /// else the first; a default path when there is none. Returns at once.
  static std::string FindDevicePath(SerialPort port);

  bool IsOpen() const { return handle_.Get() != 0; }
  /// Closes the sensor (stops its reader, closes its port or CAN session). Safe to call again.
  void Close() noexcept { handle_.Reset(); }

  /// The CAN ID given at opening; -1 on USB and when closed. Returns at once.
  int GetCanId();
  /// How the sensor is connected; nothing when closed. Returns at once.
  std::optional<Transport> GetTransport();
  /// The newest reading (over CAN the newest colour frame); invalid while there is none and when
  /// closed. Returns at once.
  ColorData GetColor();

  /// Whether the sensor is heard from: its data arrived within three of its sample times (at
  /// least 100 ms; 300 ms while the sample time is the sensor's own). False before its first
  /// data, after that long without, after its USB port hung up, and when closed. Each change is
  /// also reported once to the driver station. Returns at once.
  bool IsConnected();
  /// Milliseconds since the sensor's newest data arrived; -1 before any and when closed.
  int64_t GetDataAgeMs();
  /// Connected, data age and failed calls since opening; all empty when closed.
  DeviceFaults GetFaults();

  /// @name Commands: true when the sensor accepted (over USB: when the line left the port).
  /// Each blocks (see the class); they take turns.
  ///@{
  /// Both transports (over USB only kXYZ gives readings).
  bool SetColorFormat(ColorFormat format);
  /// Both transports; clamped to 0..65535.
  bool SetSampleTimeMs(int ms);
  /// CAN only (false over USB, nothing sent): 0..100, clamped.
  bool SetBrightness(int brightness);
  /// CAN only: level 0..100, clamped.
  bool SetStatusLed(bool on, int level);
  /// CAN only; value is sent for kMode2.
  bool SetMeasureMode(MeasureMode mode, float value);
  /// CAN only.
  bool SetZmm(float zmm);
  /// CAN only.
  bool SetUsbOverride(bool enable);
  /// CAN only: tells the sensor its new CAN ID (GetCanId keeps the one given at opening).
  bool SetCanId(int canId);
  /// CAN only: a configuration value, or nothing unless the sensor accepted.
  std::optional<uint32_t> GetConfig(int key);
  ///@}

 private:
  static void Destroy(int64_t handle) noexcept;

  DeviceHandle handle_;
};

}  // namespace korvane
