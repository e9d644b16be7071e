// The distance sensor over CAN: scans reassembled from chunk frames read through the stream
// session, either during a call (three reads 12 ms apart) or into the table kept between calls;
// and the configuration request with its reply.

#include <array>
#include <chrono>
#include <cstring>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>

#include "common/CanDeviceId.h"
#include "common/LittleEndian.h"
#include "common/MillisecondClock.h"
#include "common/Sleep.h"
#include "dystan/DystanFrames.h"
#include "dystan/DystanParts.h"

using namespace korvane::dystan::frames;

namespace korvane::dystan {

namespace {

using korvane::dystan::scans::Scan;
using korvane::dystan::scans::ScanTable;

// Positions 0..count-1 of the scan, -1 for those whose chunk was not received; the count ends at
// the last position received (the count asked for when there is none). All zero without a scan.
ScanData positions(const Scan* scan, int count) {
  ScanData data;
  if (scan == nullptr) return data;
  data.sequence = scan->sequence;
  int lastReceived = -1;
  for (int k = 0; k < count; ++k) {
    data.distance[k] = scan->has(k / kValuesPerChunk) ? scan->values[k] : int16_t{-1};
    if (data.distance[k] != -1) lastReceived = k;
  }
  data.count = lastReceived >= 0 ? lastReceived + 1 : count;
  return data;
}

}  // namespace

CanPart::CanPart(int bus, uint8_t canId)
    : Transport(kCan, canId, "Dystan[" + canDeviceId(bus, canId) + "]", kUnknownRateSilenceMs),
      session_(bus, canId, {kBase, kBaseMask, kSessionCapacity}, "Dystan", health()) {}

void CanPart::listen() {
  // A receive of the newest chunk leaves the stream session, which the scans read, as it is.
  uint8_t data[8] = {};
  uint32_t stamp = 0;
  if (session_.receiveLatest(idFor(kScanChunkApi, session_.canId()), data, &stamp) >= 0) {
    health().heard(stamp);
  }
}

Config CanPart::config(int timeoutMs) {
  Config config;
  const uint32_t replyId = idFor(kConfigReplyApi, session_.canId());
  // Only a reply received after the request answers it. The HAL stamps frames in whole
  // milliseconds of its CAN receive clock, so the request leaves in a later millisecond than any
  // reply already received, and an answer is stamped no earlier than that millisecond.
  uint32_t sentAtMs = canMilliseconds();
  uint32_t stamp = 0;
  unsigned char data[8] = {};
  if (session_.receiveLatest(replyId, data, &stamp) >= 8 && !isBefore(stamp, sentAtMs)) {
    sleepMilliseconds(1);
    sentAtMs = canMilliseconds();
  }
  const unsigned char request[8] = {};
  if (!session_.send(idFor(kConfigRequestApi, session_.canId()), request, sizeof request)) {
    return config;
  }
  auto start = std::chrono::steady_clock::now();
  while (true) {
    std::fill(std::begin(data), std::end(data), 0);
    if (session_.receiveLatest(replyId, data, &stamp) >= 8 && !isBefore(stamp, sentAtMs)) {
      health().heard(stamp);
      config.version = data[0];
      config.distanceEnabled = data[1];
      config.canFdEnabled = data[2];
      config.canBrsEnabled = data[3];
      config.canID = data[4];
      config.valid = true;
      return config;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (elapsed.count() >= timeoutMs) return config;
    sleepMilliseconds(kConfigPollMs);
  }
}

void CanPart::readChunks(ScanTable* callTable) {
  const uint32_t chunkId = idFor(kScanChunkApi, session_.canId());
  std::array<SensorCanSession::Frame, kSessionCapacity> messages{};
  while (true) {
    uint32_t read = session_.read(messages.data(), kSessionCapacity);
    for (uint32_t i = 0; i < read; ++i) {
      const SensorCanSession::Frame& m = messages[i];
      if ((m.id & kIdMask) != chunkId || m.size < 8) continue;
      int16_t values[kValuesPerChunk];
      for (int v = 0; v < kValuesPerChunk; ++v) values[v] = readI16(m.data + 2 + 2 * v);
      health().heard(m.timestampMs);
      scans_.add(m.data[0], m.data[1], values, m.timestampMs);
      if (callTable != nullptr) callTable->add(m.data[0], m.data[1], values, m.timestampMs);
    }
    if (read < kSessionCapacity) return;
  }
}

ScanData CanPart::scan(int count) {
  // Only the frames read during this call count; they also go to the table the latest-scan
  // reads use, so that mixing both kinds of read loses no scan. The period measured there
  // bounds a scan here too.
  uint32_t periodMs;
  {
    std::lock_guard<std::mutex> lock(canMutex_);
    periodMs = scans_.periodMs();
  }
  ScanTable callTable(periodMs);
  for (int pass = 0; pass < kCollectionPasses; ++pass) {
    {
      std::lock_guard<std::mutex> lock(canMutex_);
      readChunks(&callTable);
    }
    if (pass + 1 < kCollectionPasses) sleepMilliseconds(kPassGapMs);
  }
  const Scan* scan = callTable.choose(true);
  if (scan != nullptr && shownInSimulation()) {
    const ScanData whole = positions(scan, kMaxDistances);
    show(whole.sequence, whole.distance.data(), whole.count);
  }
  ScanData data = positions(scan, count);
  if (scan != nullptr) data.ageMs = health().ageOf(scan->lastMs);
  return data;
}

ScanData CanPart::latestScan(int count) {
  ScanData data;
  std::optional<ScanData> whole;  // for the simulated device, shown outside the session's lock
  {
    std::lock_guard<std::mutex> lock(canMutex_);
    readChunks(nullptr);
    const Scan* scan = scans_.choose(false);
    data = positions(scan, count);
    if (scan != nullptr) data.ageMs = health().ageOf(scan->lastMs);
    if (scan != nullptr && shownInSimulation()) whole = positions(scan, kMaxDistances);
  }
  if (whole) show(whole->sequence, whole->distance.data(), whole->count);
  return data;
}

}  // namespace korvane::dystan
