#pragma once

// The motor controller's status frames as the telemetry and the controller's health read them:
// one HAL latest-frame read, guarded (a read that raises prints the reading's error text and
// leaves zeros), and the recent frames of one open controller, which let the getters of one robot
// loop share one HAL call for all of the controller's status frames.
//
// A recent frame is kept with what the HAL said about it (its receive timestamp and status) and
// when it was read. A kept frame is fresh while it was read less than kFreshFor ago. The
// controller also collects its status frames through a CAN stream session (every frame it sends
// with an API of 32..63: all but the frequency's), one HAL call for all of them; a kept frame
// that the session collects stays fresh while the last complete collection is less than
// kFreshFor old, since no newer frame of its kind had come by then. Every HAL read of the
// controller's status frames is kept, whichever getter made it. So the getters of one loop make
// one HAL call per controller, and no value handed out is older than the HAL's frame was
// kFreshFor earlier.
//
// Threading: every member may be called from any thread at any time; nothing blocks. Several
// threads that find the same frame stale each read the HAL, and one of them keeps its frame.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "common/LatestValue.h"

namespace korvane::torqa {

struct StatusFrame {
  std::array<uint8_t, 8> data{};  // all zeros when no frame was copied
  int32_t length = 0;
  uint64_t receivedTimestamp = 0;  // the HAL's receive timestamp: milliseconds of its CAN clock
  int32_t status = 0;              // the HAL's status of the read
  bool raised = false;             // the read raised instead of returning

  // Whether the HAL had the frame.
  bool there() const { return !raised && status == 0; }
};

// No text is printed when such a read raises.
constexpr int kNoErrorText = 0;

// One HAL latest-frame read of the API through the handle, whether or not it is open (the HAL
// fails the read when it is not); a read that raises prints the text of errorCode (unless
// kNoErrorText) on standard output.
StatusFrame readStatusFrame(int32_t canHandle, int api, int errorCode);

class RecentFrames {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::nanoseconds kFreshFor = std::chrono::milliseconds(1);

  // The kept frame of the API when it is fresh at nowNs (see above); false otherwise, and for an
  // API that is no status frame.
  bool fresh(int api, int64_t nowNs, StatusFrame& frame) const;

  // Every frame the session held was kept by a collection that began at readAtNs: each collected
  // kind that is there is as new as the bus had then.
  void collectedAt(int64_t readAtNs) { collectedAtNs_.store(readAtNs, std::memory_order_release); }

  // Keeps a frame of the API that was read through the HAL at readAtNs (nanosecondsNow() taken
  // before the read).
  void keep(int api, const StatusFrame& frame, int64_t readAtNs);

  // The frame kept for the API and when it was read; false when none is kept (the API was not
  // read since the controller was opened, or is no status frame).
  bool kept(int api, StatusFrame& frame, Clock::time_point& readAt) const;

  // The steady clock in nanoseconds, as the kept frames are timed.
  static int64_t nanosecondsNow();

 private:
  // The APIs of the status frames: 36..51, and 12 last.
  static constexpr int kFrames = 17;

  struct Kept {
    StatusFrame frame;
    int64_t readAtNs = 0;  // steady clock, when the HAL read that got it began
  };

  struct Frame {
    LatestValue<Kept> latest;
    std::atomic<bool> writing{false};  // one of the threads that read the HAL keeps its frame
  };

  static int frameIndex(int api);
  static void keep(Frame& frame, const StatusFrame& status, int64_t readAtNs);

  std::array<Frame, kFrames> frames_;
  std::atomic<int64_t> collectedAtNs_{INT64_MIN / 2};
};

}  // namespace korvane::torqa
