#pragma once

#include <cstdint>

#include "korvane/DeviceFaults.h"
#include "korvane/DeviceHandle.h"

namespace korvane {

/// The line sensor: four analog light sensors read through a 12-bit converter (address 0x48) on
/// the expansion port's I2C bus.
///
/// Readings do not wait for the converter: a library thread samples the four channels in turn and
/// GetRawValue and GetVoltage return the newest sample at once. While the sensor is read at least
/// once a second a reading is at most about 17 ms old; after a second without readings the thread
/// stops sampling, and the next reading returns the value from before the pause and starts it
/// again.
///
/// There is one sensor per robot: opening a Linvo replaces the one opened before (from C++ or
/// Java), which is closed in all but name from then on (its readings are 0, its health empty, and
/// closing it leaves the newer one alone).
///
/// Opening always opens: a converter that does not answer is no error (a status line says so,
/// IsConnected() is false and the readings are 0, so the robot program runs on without it).
///
/// Blocking: opening sets the converter up and checks it with one bus transaction (well under a
/// millisecond on the robot); IsConnected and GetFaults may read one byte when nobody has read
/// the sensor lately; the readings return at once. Close blocks until the sampling thread has
/// finished its current sample and the calls in progress on other threads have returned.
///
/// Threading: every call may come from any thread; readings take no lock. Close, destruction and
/// assignment must not race other calls on the same object.
class Linvo {
 public:
  static constexpr int kChannels = 4;
  /// The largest count: the full-scale 2.048 V, less one count.
  static constexpr int kMaxCount = 2047;

  /// Opens the bus, checks that the converter answers and starts sampling. referenceVoltage is the
  /// sensor board's supply voltage, kept as the driver's record; it does not scale the readings
  /// (the converter measures against its own ±2.048 V range).
  explicit Linvo(float referenceVoltage);
  ~Linvo() = default;
  Linvo(Linvo&&) noexcept = default;
  Linvo& operator=(Linvo&&) noexcept = default;

  /// Whether this object holds the open sensor: false once replaced, closed or moved from.
  bool IsOpen() const;
  /// Stops the sampling thread and releases the bus, unless another Linvo has replaced this one.
  /// Safe to call again.
  void Close() noexcept { handle_.Reset(); }

  /// The newest sample of channel 0..3, a count 0..kMaxCount (below ground counts 0); 0 for
  /// another channel, before the first sample, and when closed. Returns at once.
  int GetRawValue(int channel);
  /// The newest sample in the input's volts (the count times 2.048 V / 2048); 0 as GetRawValue.
  float GetVoltage(int channel);

  /// Whether the converter answered a read within the last 100 ms; when nobody read the sensor
  /// lately one byte is read to find out. False when closed. Each change while the sensor is read
  /// is reported once to the driver station.
  bool IsConnected();
  /// Milliseconds since the converter last answered; -1 before any and when closed.
  int64_t GetDataAgeMs();
  /// Connected, data age and the transfers that failed since opening; all empty when closed.
  DeviceFaults GetFaults();

 private:
  static void Destroy(int64_t handle) noexcept;

  DeviceHandle handle_;
};

}  // namespace korvane
