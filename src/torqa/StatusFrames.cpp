#include "torqa/StatusFrames.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "common/ConsoleLine.h"
#include "common/ErrorText.h"
#include "common/Guarded.h"
#include "port/Can.h"
#include "torqa/TorqaFrames.h"

namespace korvane::torqa {

StatusFrame readStatusFrame(int32_t canHandle, int api, int errorCode) {
  StatusFrame frame;
  int32_t length = 0;
  uint64_t timestamp = 0;
  guarded(
      [&] {
        port::can::readLatest(canHandle, api, frame.data.data(), &length, &timestamp,
                              &frame.status);
        frame.length = length;
        frame.receivedTimestamp = timestamp;
      },
      [&](const std::exception&) {
        frame.raised = true;
        if (errorCode != kNoErrorText) printLine(std::cout, errorText(errorCode));
      });
  return frame;
}

int64_t RecentFrames::nanosecondsNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

int RecentFrames::frameIndex(int api) {
  if (api == frames::kFrequencyApi) return kFrames - 1;
  if (api >= frames::kOrvixApi && api < frames::kOrvixApi + kFrames - 1) {
    return api - frames::kOrvixApi;
  }
  return -1;
}

bool RecentFrames::fresh(int api, int64_t nowNs, StatusFrame& frame) const {
  const int index = frameIndex(api);
  if (index < 0) return false;
  Kept kept;
  if (!frames_[static_cast<size_t>(index)].latest.read(kept)) return false;
  int64_t asOf = kept.readAtNs;
  if (kept.frame.there() && frames::collected(api)) {
    asOf = std::max(asOf, collectedAtNs_.load(std::memory_order_acquire));
  }
  if (nowNs - asOf >= kFreshFor.count()) return false;
  frame = kept.frame;
  return true;
}

void RecentFrames::keep(Frame& frame, const StatusFrame& status, int64_t readAtNs) {
  if (!frame.writing.exchange(true, std::memory_order_acquire)) {
    frame.latest.publish(Kept{status, readAtNs});
    frame.writing.store(false, std::memory_order_release);
  }
}

void RecentFrames::keep(int api, const StatusFrame& frame, int64_t readAtNs) {
  const int index = frameIndex(api);
  if (index >= 0) keep(frames_[static_cast<size_t>(index)], frame, readAtNs);
}

bool RecentFrames::kept(int api, StatusFrame& frame, Clock::time_point& readAt) const {
  const int index = frameIndex(api);
  if (index < 0) return false;
  Kept kept;
  if (!frames_[static_cast<size_t>(index)].latest.read(kept)) return false;
  frame = kept.frame;
  readAt = Clock::time_point(
      std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(kept.readAtNs)));
  return true;
}

}  // namespace korvane::torqa
