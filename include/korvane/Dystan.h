#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "korvane/DeviceFaults.h"
#include "korvane/DeviceHandle.h"
#include "korvane/SerialPort.h"

namespace korvane {

/// A Dystan distance sensor, on the robot's CAN bus or on a USB serial port; the transport is
/// fixed when it is opened. A scan carries up to 64 distances (mm) and an 8-bit sequence number.
///
/// Open failure: a CAN ID outside 0..63, a CAN session the HAL refuses, or a USB device that is
/// missing, cannot be opened or does not take its opening commands leaves the object closed
/// (IsOpen() false); the reason is printed on the console and reported to the driver station.
///
/// Blocking: GetData returns the newest scan at once (over CAN the newest finished scan of the
/// frames received so far; over USB the newest a reader thread cut out of the stream). GetConfig
/// blocks up to its timeout (over USB a timeout of 0 means 500 ms). Opening over USB blocks for
/// the opening dialogue: at least 270 ms, at most about 2.5 s. Close blocks until the reader
/// thread has stopped and the calls in progress on other threads have returned.
///
/// Threading: every call may come from any thread; configuration queries of one sensor take
/// turns; readings and health run beside them. Close, destruction and assignment must not race
/// other calls on the same object.
class Dystan {
 public:
  static constexpr int kMaxCanId = 63;
  static constexpr int kMaxDistances = 64;

  /// A scan: the first count distances carry meaning; -1 marks a position nothing was received
  /// for. All zero (count 0, ageMs -1) when there is no scan.
  struct ScanData {
    uint8_t sequence = 0;
    int count = 0;
    std::array<int16_t, kMaxDistances> distance{};
    /// Milliseconds since its newest data arrived, when it was copied, counted as GetDataAgeMs
    /// counts the sensor's newest data.
    int64_t ageMs = -1;
  };

  /// The sensor's configuration; valid false means no reply was obtained, and every other field
  /// is then 0.
  struct Config {
    uint8_t version = 0;
    uint8_t distanceEnabled = 0;
    uint8_t canFdEnabled = 0;
    uint8_t canBrsEnabled = 0;
    uint8_t canID = 0;
    bool valid = false;
  };

  /// Opens the sensor on CAN bus 0 at ID 0..63. Returns at once.
  explicit Dystan(int canId);
  /// Opens the sensor on a CAN bus of the robot's (0 .. the bus count - 1; WPILib 2026 has bus
  /// 0 only) at ID 0..63; a bus the robot does not have leaves it closed. Returns at once.
  Dystan(int bus, int canId);
  /// Opens the sensor on a USB serial device, switches it to binary scans (and to the output rate
  /// odr, scans a second, when above 0) and starts reading. Blocks for the opening dialogue (see
  /// the class).
  Dystan(const std::string& path, int odr);
  ~Dystan() = default;
  Dystan(Dystan&&) noexcept = default;
  Dystan& operator=(Dystan&&) noexcept = default;

  /// A USB serial device, as Kromel::FindDevicePath chooses it. Returns at once.
  static std::string FindDevicePath(SerialPort port);

  bool IsOpen() const { return handle_.Get() != 0; }
  /// Closes the sensor (stops its reader, closes its port or CAN session). Safe to call again.
  void Close() noexcept { handle_.Reset(); }

  /// The CAN ID given at opening; -1 on USB and when closed. Returns at once.
  int GetCanId();
  /// How the sensor is connected; nothing when closed. Returns at once.
  std::optional<Transport> GetTransport();
  /// Up to count distances (above 64 means 64) of the newest scan, at once; an empty scan for
  /// count <= 0, while there is none, and when closed.
  ScanData GetData(int count);
  /// Asks the sensor for its configuration, waiting up to timeoutMs (negative means 0); invalid
  /// unless it answered, and when closed. Queries of one sensor take turns.
  Config GetConfig(int timeoutMs);

  /// Whether the sensor is heard from (data within three scan periods at the output rate given
  /// over USB, at least 100 ms; 500 ms over CAN or without a rate; over USB also: its port has
  /// not hung up). False when closed. Each change is also reported once to the driver station.
  /// Returns at once.
  bool IsConnected();
  /// Milliseconds since the sensor's newest data arrived; -1 before any and when closed.
  int64_t GetDataAgeMs();
  /// Connected, data age and failed calls since opening; all empty when closed.
  DeviceFaults GetFaults();

 private:
  static void Destroy(int64_t handle) noexcept;

  DeviceHandle handle_;
};

}  // namespace korvane
