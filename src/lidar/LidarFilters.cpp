#include "lidar/LidarFilters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "lidar/LidarPackets.h"

namespace korvane::lidar {
namespace {

// The newest `window` values, window clamped to 1..10.
History::const_iterator windowStart(const History& history, int window) {
  size_t count = static_cast<size_t>(std::clamp(window, 1, static_cast<int>(kHistoryLength)));
  count = std::min(count, history.size());
  return history.end() - static_cast<std::ptrdiff_t>(count);
}

}  // namespace

bool usableKalmanConfig(float q, float r, float p) {
  return std::isfinite(q) && std::isfinite(r) && std::isfinite(p) && p + r != 0.0f;
}

float kalman(float z, const KalmanConfig& config, KalmanEstimate& e) {
  if (!e.started) {
    e = {true, config.p, z};
    return e.x;
  }
  if (e.p + config.r == 0.0f) return e.x;
  float gain = e.p / (e.p + config.r);
  float estimate = e.x + gain * (z - e.x);
  float p = (1 - gain) * e.p + std::fabs(e.x - estimate) * config.q;
  if (std::isfinite(estimate) && std::isfinite(p)) {
    e.p = p;
    e.x = estimate;
  }
  return e.x;
}

float movingAverage(const History& history, int window) {
  auto first = windowStart(history, window);
  float sum = 0;
  for (auto it = first; it != history.end(); ++it) sum += *it;
  return sum / static_cast<float>(history.end() - first);
}

float median(const History& history, int window) {
  std::vector<float> values(windowStart(history, window), history.end());
  auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

float jitter(const History& history, float threshold) {
  float last = history.back();
  float previous = history.size() > 1 ? history[history.size() - 2] : last;
  return std::fabs(last - previous) > threshold ? previous : last;
}

float cluster(const History& history, float distanceThreshold, int minClusterSize) {
  const uint32_t needed = static_cast<uint32_t>(minClusterSize);
  for (size_t i = 0; i < history.size(); ++i) {
    float sum = history[i];
    uint32_t members = 1;
    for (size_t j = i + 1; j < history.size(); ++j) {
      if (std::fabs(history[j] - history[i]) <= distanceThreshold) {
        sum += history[j];
        ++members;
      }
    }
    if (members >= needed) return sum / static_cast<float>(members);
  }
  return history.back();
}

float filterPoint(const LidarJNI::DataPoint& point, const FilterSwitches& on, FilterState& state) {
  if (!(point.distance >= 0.0f)) return point.distance;
  const int k = slotOf(point.angle);
  History& history = state.history[k];
  history.push_back(point.distance);
  if (history.size() > kHistoryLength) history.pop_front();
  float v = point.distance;
  if (on.kalman) v = kalman(point.distance, state.kalman, state.estimates[k]);
  if (on.movingAverage) v = movingAverage(history, state.movingAverageWindow);
  if (on.median) v = median(history, state.medianWindow);
  if (on.jitter) v = jitter(history, state.jitterThreshold);
  if (on.cluster) v = cluster(history, state.distanceThreshold, state.minClusterSize);
  return v;
}

}  // namespace korvane::lidar
