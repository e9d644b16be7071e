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

}  // namespace korvane::lidar
