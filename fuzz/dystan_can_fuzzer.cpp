// The CAN distance sensor's decoding: scan chunks collected from its stream session and
// assembled into a scan, and configuration replies read from the latest-frame table. The
// simulated bus carries the input's frames; the sensor's own calls decode them.

#include <cstdint>
#include <cstdlib>

#include "DystanJNI.h"
#include "FrameRecords.h"
#include "InstantSleep.h"
#include "dystan/DystanFrames.h"
#include "korvane/sim/Can.h"

namespace {

using namespace korvane::dystan::frames;
namespace sim = korvane::sim;

constexpr uint8_t kCanId = 5;

DystanJNI* sensor() {
  static DystanJNI* made = [] {
    skipSleepsOnThisThread();
    return DystanJNI::c_Dystan_create(kCanId);
  }();
  return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DystanJNI* dystan = sensor();
  if (dystan == nullptr || size < 1) return 0;
  sim::injectFrame(idFor(kConfigReplyApi, kCanId), nullptr,
                   0);  // no reply left from the last input
  for (const FuzzFrame& frame :
       readFrames(data + 1, size - 1,
                  {idFor(kScanChunkApi, kCanId), idFor(kConfigReplyApi, kCanId),
                   idFor(kScanChunkApi, kCanId + 1), idFor(kConfigRequestApi, kCanId)},
                  kSessionCapacity)) {
    sim::injectFrame(frame.id, frame.data, frame.size);
  }
  const int count = static_cast<int8_t>(data[0]);
  DystanJNI::ScanData scan = dystan->c_Dystan_getData(count);
  if (scan.count < 0 || scan.count > DystanJNI::kMaxDistances) std::abort();
  dystan->c_Dystan_getConfig(0);
  sim::clearSentFrames();  // the log would grow, and be scanned for leaks, at every input
  return 0;
}
