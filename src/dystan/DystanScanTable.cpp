#include "dystan/DystanScanTable.h"

#include <bitset>

namespace korvane::dystan::scans {

namespace {

constexpr uint32_t kAllChunks = (1u << kChunksPerScan) - 1;

}  // namespace

int Scan::chunkCount() const {
  return static_cast<int>(std::bitset<kChunksPerScan>(chunks).count());
}

bool Scan::complete() const {
  return chunks == kAllChunks;
}

void ScanTable::add(uint8_t sequence, uint8_t chunk, const int16_t (&values)[kValuesPerChunk]) {
  if (scans_.empty() || scans_.back().sequence != sequence) {
    if (scans_.size() == kKeptScans) scans_.pop_front();
    scans_.push_back(Scan{});
    scans_.back().sequence = sequence;
  }
  if (chunk >= kChunksPerScan) return;
  Scan& scan = scans_.back();
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
