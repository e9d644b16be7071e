#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "korvane/DeviceFaults.h"
#include "korvane/DeviceHandle.h"
#include "korvane/SerialPort.h"

namespace korvane {

/// The scanning LiDAR on one of the robot controller's serial ports. A thread in the driver reads
/// its scan packets and files every point into a table of 360 slots, one per whole degree;
/// GetData copies that table at once, never waiting for the device. One of five filters can
/// smooth each degree's distances; a reading outside 120..8000 mm passes as -1.0.
///
/// There is one LiDAR per process: opening a Lidar replaces the one opened before (from C++ or
/// Java; its settings are lost), which is closed in all but name from then on (its calls do
/// nothing, GetData gives nothing, and closing it leaves the newer one scanning).
///
/// Opening always opens: a port that cannot be opened prints "Error initializing serial port:
/// <status>" on standard error and a LiDAR opened before keeps reading its own port; without one
/// nothing scans until Start opens the port. The port's health says whether the LiDAR is heard.
///
/// Blocking: GetData, the health calls, the filter calls and Stop return at once; opening and
/// Start open and configure the port; opening a LiDAR that replaces another waits for the
/// replaced object's calls in progress and for the previous reader to stop, up to about 1 s.
/// Close stops scanning and waits for this object's calls in progress; the reader thread then
/// waits, without waking, for the next opening (or the library's unload).
///
/// Threading: every call may come from any thread, also while another runs. Close, destruction
/// and assignment must not race other calls on the same object.
class Lidar {
 public:
  static constexpr int kSlots = 360;

  /// The filters; at most one is on at a time.
  enum class Filter {
    kCluster = 0,        ///< the mean of the first cluster of close readings, or the newest
    kKalman = 1,         ///< a Kalman estimate of each degree's distance
    kMovingAverage = 2,  ///< the mean of the newest readings (window 5 until set)
    kMedian = 3,         ///< the median of the newest readings (window 5 until set)
    kJitter = 4,         ///< holds back, for one reading, a jump larger than the threshold
  };

  /// A copy of the scan table: index k of both arrays is whole degree k, holding the last point
  /// filed in its degree (degrees; millimetres, -1.0 outside 120..8000 mm). A slot no point has
  /// reached holds angle k and -1.0.
  struct ScanData {
    std::array<float, kSlots> angle{};
    std::array<float, kSlots> distance{};
    /// Milliseconds since the newest point was filed, at the copy; -1 when there is none.
    int64_t ageMs = -1;
  };

  /// Opens the LiDAR on the port and starts reading it (see the class for a port that does not
  /// open). Resets the filter switches and the cluster parameters.
  explicit Lidar(SerialPort port);
  ~Lidar() = default;
  Lidar(Lidar&&) noexcept = default;
  Lidar& operator=(Lidar&&) noexcept = default;

  /// Whether this object holds the LiDAR: false once replaced, closed or moved from.
  bool IsOpen() const;
  /// Stops scanning and closes the port, unless another Lidar has replaced this one. Safe to call
  /// again.
  void Close() noexcept { handle_.Reset(); }

  /// Opens and configures the port after Stop (or after an opening whose port did not open); a
  /// lost or silent port is opened afresh; one that scans prints "Lidar sensor is already
  /// scanning".
  void Start();
  /// Stops scanning and closes the port; the reader waits, without waking, for Start.
  void Stop();

  /// A copy of the table, at once; nothing when closed.
  std::optional<ScanData> GetData();
  /// The same into the caller's object, allocating nothing; false (into untouched) when closed.
  bool GetData(ScanData& into);
  /// Whether a point was filed within 500 ms and the port has not failed; false when closed.
  /// Each change while scanning is reported once to the driver station. Returns at once.
  bool IsConnected();
  /// Milliseconds since the newest point was filed; -1 before any and when closed.
  int64_t GetDataAgeMs();
  /// Connected, data age and the failed reads and opens since opening; all empty when closed.
  DeviceFaults GetFaults();

  /// Switching one filter on switches the others off; switching any off leaves all off.
  void EnableFilter(Filter filter, bool enable);
  void DisableFilters() { EnableFilter(Filter::kCluster, false); }
  void ClusterConfig(float distanceThreshold, int minClusterSize);
  /// Resets every degree's estimate; ignored when a value is not finite or p + r is 0.
  void KalmanConfig(float q, float r, float p);
  /// Windows take the newest readings of a degree, clamped to 1..10.
  void MovingAverageConfig(int window);
  void MedianConfig(int window);
  void JitterConfig(float threshold);

 private:
  static void Destroy(int64_t handle) noexcept;

  DeviceHandle handle_;
};

}  // namespace korvane
