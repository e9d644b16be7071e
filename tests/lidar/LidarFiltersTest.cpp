// The per-degree filters, each on histories whose verdict is known, and the filter stage's
// history of the newest ten values per degree.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lidar/LidarFilters.h"

using korvane::lidar::History;

namespace {

TEST(LidarKalman, EachDegreeStartsAtItsFirstValidValueThenTakesTheTextbookStep) {
  korvane::lidar::KalmanConfig config;
  korvane::lidar::KalmanEstimate estimate;
  EXPECT_EQ(korvane::lidar::kalman(1000.0f, config, estimate), 1000.0f);
  EXPECT_EQ(estimate.p, 1.0f);
  float x = korvane::lidar::kalman(1100.0f, config, estimate);
  EXPECT_NEAR(x, 1090.909f, 1e-3);
  EXPECT_NEAR(estimate.p, 1.0 / 11.0 + 90.909 * 1e-5, 1e-5);
  EXPECT_GT(korvane::lidar::kalman(1100.0f, config, estimate), x);

  // Degrees keep their own estimates; an invalid distance moves none and is filed as it is.
  korvane::lidar::FilterState state;
  korvane::lidar::FilterSwitches on;
  on.kalman = true;
  EXPECT_EQ(korvane::lidar::filterPoint({10.5f, 4000.0f}, on, state), 4000.0f);
  EXPECT_EQ(korvane::lidar::filterPoint({200.2f, 1500.0f}, on, state), 1500.0f);
  EXPECT_EQ(korvane::lidar::filterPoint({10.7f, -1.0f}, on, state), -1.0f);
  EXPECT_EQ(korvane::lidar::filterPoint({10.1f, 4000.0f}, on, state), 4000.0f);
  EXPECT_EQ(state.history[10].size(), 2u);
}

TEST(LidarKalman, ConfigurationsThatWouldPoisonTheEstimateAreRefused) {
  EXPECT_TRUE(korvane::lidar::usableKalmanConfig(1e-5f, 0.1f, 1.0f));
  EXPECT_TRUE(korvane::lidar::usableKalmanConfig(0.0f, 0.0f, 1.0f));
  EXPECT_FALSE(korvane::lidar::usableKalmanConfig(1e-5f, 0.0f, 0.0f));   // p = r = 0: no gain
  EXPECT_FALSE(korvane::lidar::usableKalmanConfig(1e-5f, -1.0f, 1.0f));  // p + r = 0
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(korvane::lidar::usableKalmanConfig(nan, 0.1f, 1.0f));
  EXPECT_FALSE(korvane::lidar::usableKalmanConfig(1e-5f, inf, 1.0f));
  EXPECT_FALSE(korvane::lidar::usableKalmanConfig(1e-5f, 0.1f, -inf));
}

TEST(LidarMedian, EvenCountsGiveTheUpperMiddleValue) {
  EXPECT_EQ(korvane::lidar::median(History{1000, 1200}, 5), 1200);
  EXPECT_EQ(korvane::lidar::median(History{900, 1000, 5000}, 5), 1000);
  EXPECT_EQ(korvane::lidar::median(History{5000, 900, 1000}, 5), 1000);
  // The window takes the newest values only.
  EXPECT_EQ(korvane::lidar::median(History{1, 2, 3, 4000, 5000, 6000}, 3), 5000);
  EXPECT_EQ(korvane::lidar::median(History{1, 2, 3}, 0), 3);  // clamped to 1
  EXPECT_EQ(korvane::lidar::median(History{1, 2, 3}, 99),
            2);  // clamped to 10, then to what there is
}

TEST(LidarInvalidDistances, EnterNoHistoryAndTheJitterFilterComparesWithTheLastValidOne) {
  korvane::lidar::FilterState state;
  for (bool korvane::lidar::FilterSwitches::*filter :
       {&korvane::lidar::FilterSwitches::cluster, &korvane::lidar::FilterSwitches::movingAverage,
        &korvane::lidar::FilterSwitches::median, &korvane::lidar::FilterSwitches::jitter}) {
    korvane::lidar::FilterSwitches on;
    on.*filter = true;
    state = {};
    korvane::lidar::filterPoint({42.5f, 3000.0f}, on, state);
    EXPECT_EQ(korvane::lidar::filterPoint({42.5f, -1.0f}, on, state), -1.0f);
    // Over 3000, 3010: the mean, or the newer (the upper middle, the jitter verdict, no cluster).
    const float expected = on.movingAverage ? 3005.0f : 3010.0f;
    EXPECT_EQ(korvane::lidar::filterPoint({42.5f, 3010.0f}, on, state), expected);
    EXPECT_EQ(state.history[42].size(), 2u);
  }
}

TEST(LidarJitter, AJumpAboveTheThresholdIsHeldBackForOnePoint) {
  EXPECT_EQ(korvane::lidar::jitter(History{900, 1000, 1100}, 50), 1000);
  EXPECT_EQ(korvane::lidar::jitter(History{900, 1000, 1050}, 50),
            1050);  // an equal difference passes
  EXPECT_EQ(korvane::lidar::jitter(History{1000}, 50), 1000);
  EXPECT_EQ(korvane::lidar::jitter(History{1000, 940}, 50), 1000);
}

TEST(LidarCluster, TheFirstSeedWithEnoughMembersGivesTheirMean) {
  History h{1000, 1010, 2000, 1040, 3000};
  EXPECT_NEAR(korvane::lidar::cluster(h, 50, 3), 1016.667f, 1e-3);
  EXPECT_EQ(korvane::lidar::cluster(h, 50, 4), 3000);  // no cluster: the newest value
  EXPECT_NEAR(korvane::lidar::cluster(h, 50, 1), 1016.667f,
              1e-3);  // the first seed always succeeds
  EXPECT_NEAR(korvane::lidar::cluster(History{1000, 3000}, 50, 0), 1000, 1e-3);
  EXPECT_EQ(korvane::lidar::cluster(h, 50, -1), 3000);  // as unsigned, never reached
}

TEST(LidarMovingAverage, TheWindowLimitsTheValues) {
  History h{100, 200, 300, 400, 500, 600, 700};
  EXPECT_FLOAT_EQ(korvane::lidar::movingAverage(h, 3), 600);
  EXPECT_FLOAT_EQ(korvane::lidar::movingAverage(h, 5), 500);
  EXPECT_FLOAT_EQ(korvane::lidar::movingAverage(h, 10), 400);
  EXPECT_FLOAT_EQ(korvane::lidar::movingAverage(h, -4), 700);
}

TEST(LidarFilterStage, EachDegreeKeepsItsNewestTenValues) {
  korvane::lidar::FilterState state;
  korvane::lidar::FilterSwitches on;
  on.movingAverage = true;
  state.movingAverageWindow = 10;
  float v = 0;
  for (int i = 1; i <= 11; ++i) v = korvane::lidar::filterPoint({42.5f, 100.0f * i}, on, state);
  ASSERT_EQ(state.history[42].size(), 10u);
  EXPECT_EQ(state.history[42].front(), 200.0f);  // the eleventh point dropped the first
  EXPECT_FLOAT_EQ(v, 650.0f);                    // mean of 200..1100
  EXPECT_TRUE(state.history[43].empty());

  // Switching filters works on the same history.
  on = {};
  on.median = true;
  state.medianWindow = 10;
  EXPECT_EQ(korvane::lidar::filterPoint({42.9f, 5000.0f}, on, state), 800.0f);
  on = {};
  on.jitter = true;
  EXPECT_EQ(korvane::lidar::filterPoint({42.0f, 5000.0f}, on, state), 5000.0f);
}

}  // namespace
