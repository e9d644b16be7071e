#pragma once

// Scans of the distance sensor reassembled from CAN chunk frames, kept in the order they arrived.
// A chunk starts a new scan when its sequence number differs from the last scan's (so a sequence
// number that comes round again after the 255 -> 0 wrap is a newer scan, never an older one), and
// also, so that a scan is only ever one scan, when the last scan already holds that chunk (the
// sensor started the sequence number again, after a reset or a re-plug) or when the chunk arrived
// more than one scan period after the last scan's first chunk. The scan period is measured: the
// time between the first chunks of scans whose sequence numbers follow each other; until there
// is one, kUnknownPeriodMs. A scan is finished when it holds all 22 chunks or when the next scan
// has started.
//
// Threading: none of its own; the owner serialises every call.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "dystan/DystanFrames.h"

namespace korvane::dystan::scans {

using korvane::dystan::frames::kValuesPerChunk;
constexpr int kChunksPerScan = 22;  // positions 0..63; the last chunk's two further slots unused
constexpr size_t kKeptScans = 8;    // more than the 128 frames a stream session buffers
constexpr uint32_t kUnknownPeriodMs = 100;
constexpr uint32_t kShortestPeriodMs = 10;

struct Scan {
  uint8_t sequence = 0;
  uint32_t firstMs = 0;  // when its first chunk arrived
  uint32_t lastMs = 0;   // when its newest chunk arrived
  uint32_t chunks = 0;   // bit c: chunk c received
  std::array<int16_t, kChunksPerScan * kValuesPerChunk> values{};

  bool has(int chunk) const { return chunk < kChunksPerScan && (chunks >> chunk & 1u) != 0; }
  int chunkCount() const;
  bool complete() const;
};

class ScanTable {
 public:
  // The scan period to start from, in milliseconds; measured periods replace it.
  explicit ScanTable(uint32_t periodMs = kUnknownPeriodMs) : periodMs_(periodMs) {}

  // Stores a chunk's three values, which arrived at arrivedMs (milliseconds of the HAL's CAN
  // receive clock). Chunk numbers past the scan's positions are not stored, but still start a
  // new scan.
  void add(uint8_t sequence, uint8_t chunk, const int16_t (&values)[kValuesPerChunk],
           uint32_t arrivedMs);
  uint32_t periodMs() const { return periodMs_; }

  // Among the scans kept (finished ones only, unless withUnfinished): those with the most chunks,
  // and of them the newest that holds chunk 0, or the oldest when none does. So the newest
  // complete scan whenever there is one. Null when there is no candidate.
  const Scan* choose(bool withUnfinished) const;

 private:
  bool startsNewScan(uint8_t sequence, uint8_t chunk, uint32_t arrivedMs) const;

  std::deque<Scan> scans_;  // oldest first
  uint32_t periodMs_;
};

}  // namespace korvane::dystan::scans
