#pragma once

// The scanning LiDAR on one of the controller's own serial ports (HAL port 0 on board, 1 on the
// expansion port, 2 and 3 USB adapters). The device streams scan packets on its own; a worker
// thread reads them through the HAL, cuts them out of the byte stream by their 0xAA 0x55 header
// and their length, turns every sample into an angle (degrees, corrected for the device's
// geometry) and a distance (mm, -1.0 outside 120..8000 mm) and files it into a table of 360
// slots, one per whole degree. Optionally one of five per-degree filters smooths the distances.
// Before any point is filed, slot k holds angle k and distance -1.0.
//
// There is at most one LiDAR: the class is static, and its live driver object (the worker and
// the table) is an `Impl` filed in a one-per-process handle table (korvane::HandleTable), through
// which every operation finds it; `pImpl` owns it. A later create replaces it; the library's
// unload stops and joins its worker.
//
// Threading: every operation may be called from any thread, also while another runs: create,
// start and stop take effect one at a time, as if called in some order. The worker
// waits for bytes inside the HAL read (at most the port's one-second timeout), never spinning; a
// replacing create or the unload joins it within about a second. The worker alone writes the
// table and publishes it after each read that filed points (korvane::LatestValue); getData copies
// the newest publication, never waiting for the device or the worker. Locks: portMutex (the port,
// scanning and the live object's coming and going), then the live object as the table hands it
// out (held while an operation runs), then filterMutex (filter switches, parameters and state);
// where several are taken, in that order. A new object is filed under portMutex only, and
// filing it waits for the operations that hold the one before, so an operation that holds the
// live object never waits for portMutex. No worker is joined under portMutex, which the worker
// itself takes while it waits.
// Ownership: `pImpl` owns the live object and the table only refers to it. An object takes
// itself out of the table first thing when it is destroyed (waiting for the operations that hold
// it), so neither a replacing create, nor `pImpl.reset()`, nor the unload leaves the table
// referring to freed memory.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "DeviceFaults.h"

class LidarJNI {
 public:
  static constexpr int kSlots = 360;

  // One decoded sample: angle in degrees [0, 360), distance in mm or -1.0.
  struct DataPoint {
    float angle;
    float distance;
  };

  // Closes the port the LiDAR holds (at most one handle is ever open), opens the HAL serial port
  // and starts a new driver object and worker (which configures the port); the previous object is
  // then stopped, joined and freed. Resets the filter switches and the cluster parameters. When
  // the port cannot be opened: "Error initializing serial port: <status>" on standard error; a
  // previous object keeps its settings and state and reads its own port again (reopened; still
  // stopped after a stop, so start reopens it); without one, nothing scans until a start opens
  // the port given here and starts the worker.
  static void c_Lidar_create(int port);
  // Takes the LiDAR out of a desktop simulation's device list; nothing else: the driver object
  // lives until a later create or the unload.
  static void c_Lidar_destroy();
  // Opens and configures the port after stop, or after a create whose port did not open (then
  // the worker starts); the worker resumes. While scanning, a port that was lost or a LiDAR that
  // fell silent (no point for kSilenceMs) is opened afresh; one that scans prints "Lidar sensor is
  // already scanning". When the port cannot be opened the error line is printed and the LiDAR
  // stays stopped (or, after a loss, the worker keeps trying), so that a later start tries again.
  static void c_Lidar_start();
  // Stops scanning and closes the port; the worker waits, without waking, for a start.
  static void c_Lidar_stop();
  // The 360 angles followed by the 360 distances.
  static std::array<float, 2 * kSlots> c_Lidar_getData();
  // Milliseconds since the newest point was filed into the table, or -1 when none has been since
  // the LiDAR was created. A LiDAR that is unplugged, stopped or silent shows a growing age.
  static int64_t c_Lidar_getDataAgeMs();
  // One copy of the table into the two arrays of kSlots (angles, distances) and the age of its
  // newest point, as c_Lidar_getDataAgeMs gives it, taken from that same copy.
  static int64_t c_Lidar_readData(float* angles, float* distances);

  // Health: heard from while a point was filed within kSilenceMs (the head turns about seven
  // times a second) and the port has not failed; the failed reads and opens since the last
  // create. A port that fails (a hang-up: the device unplugged) is closed and counts as lost; the
  // worker opens it again by itself every 500 ms until it is back, as does a start at once. A
  // change of health while scanning is reported to the driver station once, by the worker (a
  // silence within the read's one-second timeout). Never wait.
  static constexpr uint32_t kSilenceMs = 500;
  static bool c_Lidar_isConnected();
  static DeviceFaults c_Lidar_getFaults();

  // Filters: 0 cluster, 1 Kalman, 2 moving average, 3 median, 4 jitter. Switching one on
  // switches the others off; switching any off leaves all off; other ids change nothing.
  static void c_Lidar_enableFilter(int filter, bool enable);
  static void c_Lidar_clusterConfig(float distanceThreshold, int minClusterSize);
  // Resets every degree's estimate, which starts again at that degree's next valid distance.
  // Ignored when a value is not finite or p + r is 0.
  static void c_Lidar_kalmanConfig(float q, float r, float p);
  // Windows take the newest `window` values of a degree's history, clamped to 1..10.
  static void c_Lidar_movingAverageConfig(int window);
  static void c_Lidar_medianConfig(int window);
  static void c_Lidar_jitterConfig(float threshold);

  class Impl;
  static std::atomic<int> usbPort;
  static std::atomic<int32_t> m_portHandle;
  static std::atomic<bool> scanning;
  static std::unique_ptr<Impl> pImpl;

  static std::atomic<bool> clusterFilterEnabled;
  static std::atomic<bool> kalmanFilterEnabled;
  static std::atomic<bool> movingAverageFilterEnabled;
  static std::atomic<bool> medianFilterEnabled;
  static std::atomic<bool> jitterFilterEnabled;
  static float distanceThreshold;  // under filterMutex
  static int minClusterSize;       // under filterMutex
};
