// The distance sensor over CAN: scans reassembled from chunk frames read through the stream
// session, and the configuration request with its reply.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iterator>
#include <map>
#include <vector>

#include "DystanJNI.h"
#include "common/CanStreamSession.h"
#include "common/LittleEndian.h"
#include "common/Sleep.h"
#include "dystan/DystanFrames.h"
#include "hal/CAN.h"

using namespace dystan_frames;

namespace {

using ChunkValues = std::array<int16_t, kValuesPerChunk>;
// Scan sequence -> chunk index -> its three distances.
using ChunkTable = std::map<uint8_t, std::map<uint8_t, ChunkValues>>;

// Among the sequences with the most chunks, the highest-numbered one that holds chunk 0; when
// none of them holds chunk 0, the lowest-numbered one.
ChunkTable::const_iterator chooseSequence(const ChunkTable& table) {
  auto choice = table.end();
  size_t chunks = 0;
  for (auto it = table.begin(); it != table.end(); ++it) {
    size_t n = it->second.size();
    if (n > chunks || (n == chunks && it->second.count(0) != 0)) {
      choice = it;
      chunks = n;
    }
  }
  return choice;
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

DystanJNI::ScanData DystanJNI::getDataCAN(int count) {
  ScanData scan;
  if (!canOk) return scan;
  const uint32_t chunkId = idFor(kScanChunkApi, canId);
  ChunkTable table;
  std::vector<HAL_CANStreamMessage> messages(kSessionCapacity, HAL_CANStreamMessage{});
  for (int pass = 0; pass < kCollectionPasses; ++pass) {
    while (true) {
      uint32_t read = korvane::can_session::read(session, messages.data(), kSessionCapacity);
      if (read == 0) break;
      for (uint32_t i = 0; i < read; ++i) {
        const HAL_CANStreamMessage& m = messages[i];
        if ((m.messageID & kIdMask) != chunkId || m.dataSize < 8) continue;
        ChunkValues& values = table[m.data[0]][m.data[1]];
        for (int v = 0; v < kValuesPerChunk; ++v) values[v] = korvane::readI16(m.data + 2 + 2 * v);
      }
      if (read < kSessionCapacity) break;
    }
    if (pass + 1 < kCollectionPasses) korvane::sleepMilliseconds(kPassGapMs);
  }
  if (table.empty()) return scan;

  auto chosen = chooseSequence(table);
  scan.sequence = chosen->first;
  const auto& chunks = chosen->second;
  int lastReceived = -1;
  for (int k = 0; k < count; ++k) {
    auto chunk = chunks.find(static_cast<uint8_t>(k / kValuesPerChunk));
    scan.distance[k] = chunk == chunks.end() ? int16_t{-1} : chunk->second[k % kValuesPerChunk];
    if (scan.distance[k] != -1) lastReceived = k;
  }
  scan.count = lastReceived >= 0 ? lastReceived + 1 : count;
  return scan;
}
