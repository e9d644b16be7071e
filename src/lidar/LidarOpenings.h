#pragma once

// The LiDAR's openings: each open of the one LiDAR (from C++ or Java) is a new opening, filed in a
// one-per-process table under a serial handle (never reused), the handle of korvane::Lidar. The
// newest replaces the one before, whose calls then reach nothing and whose close leaves the LiDAR
// alone. The LiDAR's state (worker, port, table, filters) stays in the driver (lidar/LidarImpl.h,
// the LidarJNI statics); an opening only says which object may act on it.
//
// Threading: any thread. Opens and closes take effect one at a time; a call holds its opening
// while it runs, and replacing or closing it waits for those calls.

#include <cstdint>
#include <optional>

#include "DeviceFaults.h"
#include "common/HandleTable.h"

namespace korvane::lidar {

struct Opening {};
using Openings = HandleTable<Opening, Population::OnePerProcess, 2>;
Openings& openings();

// Opens the LiDAR on the port as LidarJNI::c_Lidar_create does, as a new opening: its handle.
int64_t open(int port);
// While the opening is the newest: stops scanning, closes the port and takes the LiDAR out of a
// desktop simulation (the worker waits, without waking, for the next open or the unload).
// Nothing once it has been replaced.
void close(int64_t handle);

// The calls of an opening, as the LidarJNI statics of the same names: each holds the opening
// while it acts on the LiDAR, so one that has been replaced or closed acts on nothing and gives
// the failure value. Nothing thrown escapes.
void start(int64_t handle) noexcept;
void stop(int64_t handle) noexcept;
// Both 360-slot arrays from one copy of the table, and that copy's age (-1 without points);
// nothing (and nothing filled) for an opening that is no longer the newest.
std::optional<int64_t> readData(int64_t handle, float* angles, float* distances) noexcept;
bool isConnected(int64_t handle) noexcept;   // false when not the newest
int64_t dataAgeMs(int64_t handle) noexcept;  // -1 when not the newest
std::optional<DeviceFaults> faults(int64_t handle) noexcept;
void enableFilter(int64_t handle, int filter, bool enable) noexcept;
void clusterConfig(int64_t handle, float distanceThreshold, int minClusterSize) noexcept;
void kalmanConfig(int64_t handle, float q, float r, float p) noexcept;
void movingAverageConfig(int64_t handle, int window) noexcept;
void medianConfig(int64_t handle, int window) noexcept;
void jitterConfig(int64_t handle, float threshold) noexcept;

}  // namespace korvane::lidar
