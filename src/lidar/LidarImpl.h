#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "LidarJNI.h"
#include "common/LatestValue.h"
#include "lidar/LidarFilters.h"
#include "lidar/LidarPackets.h"

// One LiDAR driver object: the worker thread, the scan table and the filter state. The
// constructor starts the worker; the destructor takes the object out of the table of live LiDARs
// (waiting for the operations that hold it), then stops and joins the worker (within the port's
// one-second read timeout). The worker alone touches the table; after each read whose packets
// filed points it publishes the table with the time of its newest point, and readers copy that.
class LidarJNI::Impl {
 public:
  Impl();
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // Bytes kept between reads: always room for a read after the longest incomplete packet.
  static constexpr size_t kBufferCapacity = 4096;
  static_assert(kBufferCapacity > 2 * korvane::lidar::kMaxPacketSize,
                "a read must fit after a kept packet");

  void ThreadMain();

  // What readers copy: when the newest point was filed, and the table's 360 slots.
  struct TableTime {
    uint32_t newestPointMs = 0;  // the library's millisecond clock, as the LiDAR's health stamps
    bool anyPoint = false;       // false until the first point is filed
  };
  using PublishedTable = korvane::LatestValue<TableTime, DataPoint, kSlots>;

  const korvane::lidar::DistanceLimits limits;
  std::atomic<bool> running{true};
  // The worker's: slot k holds the last point filed in whole degree k.
  std::array<float, kSlots> angles;
  std::array<float, kSlots> distances;
  // The worker's: when the newest point was filed; none before the first.
  std::optional<std::chrono::steady_clock::time_point> newestPoint;
  // Under filterMutex.
  korvane::lidar::FilterState filters;
  PublishedTable published;

 private:
  friend struct LidarPacketProbe;  // the fuzz target feeds the worker's packet path directly

  // Cuts every whole packet out of the buffer and files its points, then publishes the table;
  // keeps the rest.
  void consume(std::vector<uint8_t>& buffer);
  void file(const std::vector<DataPoint>& points);
  void publish();
  std::vector<DataPoint> points_;
  std::thread worker;
};
