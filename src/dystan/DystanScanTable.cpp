#include "dystan/DystanScanTable.h"

#include <algorithm>
#include <bitset>

#include "common/MillisecondClock.h"

namespace korvane::dystan::scans {

namespace {

constexpr uint32_t kAllChunks = (1u << kChunksPerScan) - 1;
constexpr uint32_t kLongestPeriodMs = 2000;

}  // namespace

int Scan::chunkCount() const {
  return static_cast<int>(std::bitset<kChunksPerScan>(chunks).count());
}

bool Scan::complete() const {
  return chunks == kAllChunks;
}

bool ScanTable::startsNewScan(uint8_t sequence, uint8_t chunk, uint32_t arrivedMs) const {
  if (scans_.empty()) return true;
  const Scan& last = scans_.back();
  return last.sequence != sequence || last.has(chunk) ||
         millisecondsBetween(last.firstMs, arrivedMs) > static_cast<int32_t>(periodMs_);
}

void ScanTable::add(uint8_t sequence, uint8_t chunk, const int16_t (&values)[kValuesPerChunk],
                    uint32_t arrivedMs) {
  if (startsNewScan(sequence, chunk, arrivedMs)) {
    if (!scans_.empty() && static_cast<uint8_t>(scans_.back().sequence + 1) == sequence) {
      const int32_t period = millisecondsBetween(scans_.back().firstMs, arrivedMs);
      if (period >= static_cast<int32_t>(kShortestPeriodMs) &&
          period <= static_cast<int32_t>(kLongestPeriodMs)) {
        periodMs_ = static_cast<uint32_t>(period);
      }
    }
    if (scans_.size() == kKeptScans) scans_.pop_front();
    scans_.push_back(Scan{});
    scans_.back().sequence = sequence;
    scans_.back().firstMs = arrivedMs;
  }
  Scan& scan = scans_.back();
  if (!isBefore(arrivedMs, scan.lastMs) || scan.chunks == 0) scan.lastMs = arrivedMs;
  if (chunk >= kChunksPerScan) return;
  scan.chunks |= 1u << chunk;
  for (int v = 0; v < kValuesPerChunk; ++v) scan.values[chunk * kValuesPerChunk + v] = values[v];
}

const Scan* ScanTable::choose(bool withUnfinished) const {
  auto end = scans_.end();
  if (!withUnfinished && !scans_.empty() && !scans_.back().complete()) --end;
  const Scan* choice = nullptr;
  int most = 0;
  for (auto it = scans_.begin(); it != end; ++it) {
    int n = it->chunkCount();
    if (n > most || (n == most && it->has(0))) {
      choice = &*it;
      most = n;
    }
  }
  return choice;
}

}  // namespace korvane::dystan::scans
