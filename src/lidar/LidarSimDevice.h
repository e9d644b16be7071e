#pragma once

// The LiDAR as a simulated device "Lidar[<port>]", from its create to its destroy, with the
// number of slots holding a distance ("Valid slots") and the nearest of those distances
// ("Nearest (mm)", -1 while there is none).
//
// Without simulation (on the robot) nothing is registered and shown() is a load and a branch.
// opened and closed may come from any thread; show and shown from the worker at any time.

#include <array>

#include "LidarJNI.h"

namespace korvane::lidar::simdevice {

struct TableSummary {
  int validSlots = 0;
  double nearest = -1.0;
};

// Shows the LiDAR on the port, in place of the one shown before.
void opened(int port);
void closed();

bool shown();
TableSummary summarize(const std::array<float, LidarJNI::kSlots>& distances);
void show(const TableSummary& summary);

}  // namespace korvane::lidar::simdevice
