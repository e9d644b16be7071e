// The distance sensor over CAN: scans reassembled from chunk frames read through the stream
// session, either during a call (three reads 12 ms apart) or into the table kept between calls;
// and the configuration request with its reply.

#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iterator>
#include <mutex>
#include <optional>

#include "DystanJNI.h"
#include "common/CanStreamSession.h"
#include "common/LittleEndian.h"
#include "common/Sleep.h"
#include "dystan/DystanFrames.h"
#include "dystan/DystanScanTable.h"
#include "hal/CAN.h"

using namespace dystan_frames;

namespace {

using dystan_scans::Scan;
using dystan_scans::ScanTable;

// Positions 0..count-1 of the scan, -1 for those whose chunk was not received; the count ends at
// the last position received (the count asked for when there is none). All zero without a scan.
DystanJNI::ScanData positions(const Scan* scan, int count) {
  DystanJNI::ScanData data;
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

// The clock the HAL stamps received frames with: milliseconds of CLOCK_MONOTONIC, wrapping.
uint32_t monotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

// Whether stamp a lies before stamp b, across the wrap of the 32-bit millisecond count.
bool isBefore(uint32_t a, uint32_t b) {
  return static_cast<int32_t>(a - b) < 0;
}

}  // namespace

bool DystanJNI::write(unsigned api, const unsigned char* data, unsigned char len) {
  if (len > 8 || data == nullptr) return false;
  int32_t status = 0;
  HAL_CAN_SendMessage(idFor(api, canId), data, len, HAL_CAN_SEND_PERIOD_NO_REPEAT, &status);
  return status == 0;
}

int DystanJNI::readLatest(unsigned messageId, unsigned char* data, uint32_t* timestamp) {
  if (data == nullptr) return 0;
  uint32_t id = messageId;
  uint8_t length = 0;
  uint32_t received = 0;
  int32_t status = 0;
  HAL_CAN_ReceiveMessage(&id, kIdMask, data, &length, &received, &status);
  if (timestamp != nullptr) *timestamp = received;
  return status == 0 ? length : 0;
}

DystanJNI::Config DystanJNI::getConfigCAN(int timeoutMs) {
  Config config;
  if (!canOk) return config;
  const uint32_t replyId = idFor(kConfigReplyApi, canId);
  // Only a reply received after the request answers it. The bus stamps frames in whole
  // milliseconds of the monotonic clock, so the request leaves in a later millisecond than any
  // reply already received, and an answer is stamped no earlier than that millisecond.
  uint32_t sentAtMs = monotonicMilliseconds();
  uint32_t stamp = 0;
  unsigned char data[8] = {};
  if (readLatest(replyId, data, &stamp) >= 8 && !isBefore(stamp, sentAtMs)) {
    korvane::sleepMilliseconds(1);
    sentAtMs = monotonicMilliseconds();
  }
  const unsigned char request[8] = {};
  if (!write(kConfigRequestApi, request, sizeof request)) return config;
  auto start = std::chrono::steady_clock::now();
  while (true) {
    std::fill(std::begin(data), std::end(data), 0);
    if (readLatest(replyId, data, &stamp) >= 8 && !isBefore(stamp, sentAtMs)) {
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
    korvane::sleepMilliseconds(kConfigPollMs);
  }
}

void DystanJNI::readChunks(ScanTable* callTable) {
  const uint32_t chunkId = idFor(kScanChunkApi, canId);
  std::array<HAL_CANStreamMessage, kSessionCapacity> messages{};
  while (true) {
    uint32_t read = korvane::can_session::read(session, messages.data(), kSessionCapacity);
    for (uint32_t i = 0; i < read; ++i) {
      const HAL_CANStreamMessage& m = messages[i];
      if ((m.messageID & kIdMask) != chunkId || m.dataSize < 8) continue;
      int16_t values[kValuesPerChunk];
      for (int v = 0; v < kValuesPerChunk; ++v) values[v] = korvane::readI16(m.data + 2 + 2 * v);
      scans->add(m.data[0], m.data[1], values);
      if (callTable != nullptr) callTable->add(m.data[0], m.data[1], values);
    }
    if (read < kSessionCapacity) return;
  }
}

DystanJNI::ScanData DystanJNI::getDataCAN(int count) {
  if (!canOk) return ScanData{};
  // Only the frames read during this call count; they also go to the table the latest-scan
  // reads use, so that mixing both kinds of read loses no scan.
  ScanTable callTable;
  for (int pass = 0; pass < kCollectionPasses; ++pass) {
    {
      std::lock_guard<std::mutex> lock(canMutex);
      readChunks(&callTable);
    }
    if (pass + 1 < kCollectionPasses) korvane::sleepMilliseconds(kPassGapMs);
  }
  const Scan* scan = callTable.choose(true);
  if (scan != nullptr && shownInSimulation()) {
    const ScanData whole = positions(scan, kMaxDistances);
    show(whole.sequence, whole.distance.data(), whole.count);
  }
  return positions(scan, count);
}

DystanJNI::ScanData DystanJNI::getLatestDataCAN(int count) {
  if (!canOk) return ScanData{};
  ScanData data;
  std::optional<ScanData> whole;  // for the simulated device, shown outside the session's lock
  {
    std::lock_guard<std::mutex> lock(canMutex);
    readChunks(nullptr);
    const Scan* scan = scans->choose(false);
    data = positions(scan, count);
    if (scan != nullptr && shownInSimulation()) whole = positions(scan, kMaxDistances);
  }
  if (whole) show(whole->sequence, whole->distance.data(), whole->count);
  return data;
}
