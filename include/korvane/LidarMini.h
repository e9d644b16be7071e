#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "korvane/DeviceFaults.h"
#include "korvane/DeviceHandle.h"
#include "korvane/SerialPort.h"

namespace korvane {

/// A T-mini Plus mini LiDAR on a USB serial port (230400 baud): commands, the device's info and
/// health queries, and while scanning a reader thread that gathers each revolution's points.
///
/// Open failure: a device that is missing or cannot be opened leaves the object closed (IsOpen()
/// false); the reason is printed on the console and reported to the driver station.
///
/// Blocking (every write gives up after kWriteDeadlineMs with a "[LidarMini] write error" line):
/// opening about 200 ms (the device is told to stop and its leftovers are dropped); Start about
/// 300 ms (it checks that bytes arrive); Stop the write plus stopping the reader; the frequency
/// commands the write only; GetInfo and GetHealth up to kQueryTimeoutMs per read while stopped,
/// at once while scanning (their answer would be lost in the scan stream); GetData never waits.
/// Close blocks until the reader has stopped and the calls in progress on other threads have
/// returned.
///
/// Threading: every call may come from any thread. Start, Stop, the frequency commands, GetInfo
/// and GetHealth of one device take turns; GetData and health run beside them. Close, destruction
/// and assignment must not race other calls on the same object.
class LidarMini {
 public:
  static constexpr float kMinFrequencyHz = 6.0f;
  static constexpr float kMaxFrequencyHz = 12.0f;
  static constexpr int kWriteDeadlineMs = 1000;
  static constexpr int kQueryTimeoutMs = 2000;
  /// A revolution that grows past this many points without a start packet is dropped.
  static constexpr size_t kMaxRevolutionPoints = 20000;
  /// Heard from while bytes arrived within this long (three revolutions at 6 Hz).
  static constexpr uint32_t kSilenceMs = 500;

  /// One sample: angle in degrees [0, 360), distance in metres (-1 for an invalid sample) and
  /// intensity 0..255.
  struct DataPoint {
    float angle = 0.0f;
    float distance = 0.0f;
    float intensity = 0.0f;
  };

  /// The device-info answer; all zero when the query failed.
  struct LidarInfo {
    uint8_t model = 0;
    uint16_t firmwareVersion = 0;
    uint8_t hardwareVersion = 0;
    uint8_t serialNumber[16] = {};
  };

  /// The health answer; both zero when the query failed.
  struct LidarHealth {
    uint8_t status = 0;
    uint16_t errorCode = 0;
  };

  /// The last complete revolution: the time its start packet was decoded (nanoseconds of the
  /// monotonic clock, 0 when there is none) and its points in arrival order.
  struct ScanData {
    int64_t timestampNs = 0;
    std::vector<DataPoint> points;
  };

  /// Opens the device chosen by port (the second USB serial device for SerialPort::kUSB2, else
  /// the first), tells it to stop scanning and drops what it sent: about 200 ms.
  explicit LidarMini(SerialPort port);
  ~LidarMini() = default;
  LidarMini(LidarMini&&) noexcept = default;
  LidarMini& operator=(LidarMini&&) noexcept = default;

  bool IsOpen() const { return handle_.Get() != 0; }
  /// Stops the reader (no stop command is sent) and closes the port. Safe to call again.
  void Close() noexcept { handle_.Reset(); }

  /// Starts scanning: about 300 ms. "Already scanning" (a line) when it scans.
  void Start();
  /// Tells the device to stop, stops the reader and forgets its revolutions.
  void Stop();
  /// One step of 1 Hz (coarse) or 0.1 Hz within kMinFrequencyHz..kMaxFrequencyHz; a step past the
  /// limit is refused with a line and nothing is sent. No reply is read.
  void IncreaseFrequency(bool coarse);
  void DecreaseFrequency(bool coarse);
  /// The driver's record of the device's scan frequency (6 Hz at opening); 0 when closed.
  float GetFrequency();
  /// Whether the device is scanning; false when closed.
  bool IsScanning();
  /// The device's info and health answers (zeros when the query failed, while scanning, and when
  /// closed). Block up to kQueryTimeoutMs per read.
  LidarInfo GetInfo();
  LidarHealth GetHealth();
  /// The last complete revolution, at once; time 0 and no points while there is none, while not
  /// scanning and when closed.
  ScanData GetData();

  /// Whether the device is heard from (bytes within kSilenceMs while scanning, or an answer to a
  /// query; its port has not hung up). False when closed. A change while scanning is reported once
  /// to the driver station. Returns at once.
  bool IsConnected();
  /// Milliseconds since its newest bytes arrived; -1 before any and when closed.
  int64_t GetDataAgeMs();
  /// Connected, data age and failed calls since opening; all empty when closed.
  DeviceFaults GetFaults();

 private:
  static void Destroy(int64_t handle) noexcept;

  DeviceHandle handle_;
};

}  // namespace korvane
