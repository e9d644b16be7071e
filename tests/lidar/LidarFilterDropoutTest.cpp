// Every filter on the emulated room's scans, with and without dropouts: a filter may smooth, but it
// must not turn dropouts into distances that are wrong, nor valid readings into dropouts. A
// reading counts as off when it is more than 100 mm from the room's true distance at its angle
// (an invalid reading is off).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "LidarJNI.h"
#include "lidar/LidarFilters.h"
#include "lidar/LidarPackets.h"
#include "sim/lidar/LidarRoomSim.h"

using korvane::sim::LidarRoomSim;

namespace {

struct Shares {
  double off = 0;      // more than 100 mm from the truth, invalid ones included
  double invalid = 0;  // filed as -1
};

constexpr int kWarmUpTurns = 5;
constexpr int kMeasuredTurns = 30;
constexpr double kNoiseMm = 20;

// The readings the filter stage files over the measured turns, against the room's truth.
Shares measure(const korvane::lidar::FilterSwitches& on, double dropouts) {
  auto room = LidarRoomSim::start(3, false);
  if (!room) return {1, 1};
  room->setNoise(kNoiseMm);
  room->setDropoutRate(dropouts);
  korvane::lidar::FilterState state;
  std::vector<LidarJNI::DataPoint> points;
  long readings = 0, off = 0, invalid = 0;
  for (int turn = 0; turn < kWarmUpTurns + kMeasuredTurns; ++turn) {
    std::string bytes = room->revolution();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t at = 0;
    points.clear();
    while (true) {
      korvane::lidar::Cut cut = korvane::lidar::findPacket(data + at, bytes.size() - at);
      at += cut.start;
      if (cut.length == 0) break;
      korvane::lidar::decodePacket(data + at, cut.length, {}, points);
      at += cut.length;
    }
    for (const auto& point : points) {
      float v = on.any() ? korvane::lidar::filterPoint(point, on, state) : point.distance;
      if (turn < kWarmUpTurns) continue;
      ++readings;
      if (v < 0) ++invalid;
      if (std::fabs(v - LidarRoomSim::distanceAt({}, point.angle)) > 100) ++off;
    }
  }
  return {static_cast<double>(off) / readings, static_cast<double>(invalid) / readings};
}

TEST(LidarFilterDropout, EachFilterIsOffAboutAsOftenAsTheUnfilteredReadings) {
  struct Filter {
    const char* name;
    bool korvane::lidar::FilterSwitches::*on;
  };
  const Filter filters[] = {{"cluster", &korvane::lidar::FilterSwitches::cluster},
                            {"kalman", &korvane::lidar::FilterSwitches::kalman},
                            {"moving average", &korvane::lidar::FilterSwitches::movingAverage},
                            {"median", &korvane::lidar::FilterSwitches::median},
                            {"jitter", &korvane::lidar::FilterSwitches::jitter}};
  for (double dropouts : {0.0, 0.2}) {
    const Shares unfiltered = measure({}, dropouts);
    std::printf("dropouts %2.0f %%: unfiltered %5.1f %% off, %5.1f %% invalid\n", dropouts * 100,
                unfiltered.off * 100, unfiltered.invalid * 100);
    for (const Filter& filter : filters) {
      korvane::lidar::FilterSwitches on;
      on.*filter.on = true;
      const Shares filtered = measure(on, dropouts);
      std::printf("dropouts %2.0f %%: %-14s %5.1f %% off, %5.1f %% invalid\n", dropouts * 100,
                  filter.name, filtered.off * 100, filtered.invalid * 100);
      EXPECT_LE(filtered.off, unfiltered.off + 0.03) << filter.name << ", dropouts " << dropouts;
      EXPECT_LE(filtered.invalid, unfiltered.invalid + 0.03)
          << filter.name << ", dropouts " << dropouts;
    }
  }
}

}  // namespace
