#pragma once

// The LiDAR's per-degree filters. Each takes the history of one whole degree's valid distances
// (oldest first, the newest last, at least one value) and gives the distance to file. Invalid
// distances (below 0) never enter a history or an estimate: they are filed as they are.

#include <array>
#include <cstdint>
#include <deque>

#include "LidarJNI.h"

namespace korvane::lidar {

constexpr size_t kHistoryLength = 10;
using History = std::deque<float>;

// The configured noise and starting error of the Kalman filter.
struct KalmanConfig {
  float q = 1e-5f;
  float r = 0.1f;
  float p = 1.0f;
};
// One degree's estimate: none until its first valid distance, which it starts at, with the
// configured error.
struct KalmanEstimate {
  bool started = false;
  float p = 0.0f;
  float x = 0.0f;
};
// False for a configuration that would turn the estimate into NaN for good.
bool usableKalmanConfig(float q, float r, float p);
// Feeds one valid distance into the degree's estimate; the estimate after it.
float kalman(float z, const KalmanConfig& config, KalmanEstimate& estimate);
// The mean, and the median (the upper middle value for an even count), of the newest `window`
// values, window clamped to 1..10.
float movingAverage(const History& history, int window);
float median(const History& history, int window);
// The newest value, or the one before it when the newest jumped by more than the threshold.
float jitter(const History& history, float threshold);
// The mean of the first cluster (oldest seed first) of at least minClusterSize values within
// distanceThreshold of their seed; the newest value when there is none.
float cluster(const History& history, float distanceThreshold, int minClusterSize);

// Parameters and state of the filter stage of one driver object.
struct FilterState {
  KalmanConfig kalman;
  std::array<KalmanEstimate, LidarJNI::kSlots> estimates;
  int movingAverageWindow = 5;
  int medianWindow = 5;
  float jitterThreshold = 50.0f;
  float distanceThreshold = 50.0f;
  int minClusterSize = 5;
  std::array<History, LidarJNI::kSlots> history;
};

struct FilterSwitches {
  bool cluster = false;
  bool kalman = false;
  bool movingAverage = false;
  bool median = false;
  bool jitter = false;
  bool any() const { return cluster || kalman || movingAverage || median || jitter; }
};

// Appends a valid distance to its degree's history (keeping the newest ten) and gives the distance
// the switched-on filter makes of it; an invalid distance changes nothing and is given back.
float filterPoint(const LidarJNI::DataPoint& point, const FilterSwitches& on, FilterState& state);

}  // namespace korvane::lidar
