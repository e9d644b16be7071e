#pragma once

// The motor controller's status frames as the telemetry reads them: one HAL latest-frame read,
// guarded (a read that raises prints the reading's error text and leaves zeros), and the recent
// frames of each open controller, which let the getters of one robot loop share one HAL read per
// frame.
//
// A recent frame is kept with what the HAL said about it (its receive timestamp and status) and
// when it was read. A recent read hands out the kept frame while it was read less than kFreshFor
// ago, and otherwise reads the HAL and keeps what it got. So four getters that read the same frame
// in one loop make one HAL read, and no value handed out is older than the HAL's frame was
// kFreshFor earlier. Only controllers opened through Controllers have recent frames; a handle
// without them (not open, or beyond kControllers open at once) reads the HAL every time.
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
  uint64_t receivedTimestamp = 0;  // the HAL's receive timestamp of the frame
  int32_t status = 0;              // the HAL's status of the read
  bool raised = false;             // the read raised instead of returning

  // Whether the HAL had the frame.
  bool there() const { return !raised && status == 0; }
};

// No text is printed when such a read raises.
constexpr int kNoErrorText = 0;

// One HAL latest-frame read of the API through the handle; a read that raises prints the text of
// errorCode (unless kNoErrorText) on standard output.
StatusFrame readStatusFrame(int32_t canHandle, int api, int errorCode);

class RecentFrames {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::nanoseconds kFreshFor = std::chrono::milliseconds(1);
  static constexpr int kControllers = 64;

  // Never destroyed: a call from a thread that outlives unload still finds it.
  static RecentFrames& instance() {
    static RecentFrames* frames = new RecentFrames;
    return *frames;
  }

  // Starts keeping recent frames for an opened controller; forgets them when it is closed. A
  // frame kept for a handle before it was closed is never handed out for it again.
  void open(int32_t canHandle);
  void close(int32_t canHandle);

  // The API's frame: the kept one when read less than kFreshFor ago, else read now (as
  // readStatusFrame does) and kept.
  StatusFrame read(int32_t canHandle, int api, int errorCode);

  // The frame kept for the API and when it was read; false when none is kept (the handle has no
  // recent frames, or the API was not read since the controller was opened).
  bool kept(int32_t canHandle, int api, StatusFrame& frame, Clock::time_point& readAt) const;

 private:
  // The APIs of the status frames: 36..51, and 12 last.
  static constexpr int kFrames = 17;

  struct Kept {
    StatusFrame frame;
    int64_t readAtNs = 0;     // steady clock, when the HAL read that got it began
    uint32_t generation = 0;  // the slot's opening it belongs to
  };

  struct Frame {
    LatestValue<Kept> latest;
    std::atomic<bool> writing{false};  // one of the threads that read the HAL keeps its frame
  };

  struct Slot {
    std::atomic<int32_t> handle{0};       // 0 while free
    std::atomic<uint32_t> generation{0};  // counts openings; frames of older ones are not used
    std::array<Frame, kFrames> frames;
  };

  RecentFrames() = default;
  static int frameIndex(int api);
  Slot* slotOf(int32_t canHandle) const;

  mutable std::array<Slot, kControllers> slots_;
};

}  // namespace korvane::torqa
