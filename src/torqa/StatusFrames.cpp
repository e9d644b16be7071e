#include "torqa/StatusFrames.h"

#include <exception>
#include <iostream>

#include "Torqa.h"
#include "common/ConsoleLine.h"
#include "port/Can.h"
#include "torqa/TorqaFrames.h"

namespace korvane::torqa {

namespace {

int64_t nanosecondsNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             RecentFrames::Clock::now().time_since_epoch())
      .count();
}

size_t firstSlot(int32_t canHandle) {
  const auto bits = static_cast<uint32_t>(canHandle);
  return ((bits ^ (bits >> 8) ^ (bits >> 16)) * 0x9E3779B1u >> 24) % RecentFrames::kControllers;
}

}  // namespace

StatusFrame readStatusFrame(int32_t canHandle, int api, int errorCode) {
  StatusFrame frame;
  int32_t length = 0;
  uint64_t timestamp = 0;
  try {
    port::can::readLatest(canHandle, api, frame.data.data(), &length, &timestamp, &frame.status);
    frame.length = length;
    frame.receivedTimestamp = timestamp;
  } catch (const std::exception&) {
    frame.raised = true;
    if (errorCode != kNoErrorText) printLine(std::cout, Torqa::getErrorMessage(errorCode));
  }
  return frame;
}

int RecentFrames::frameIndex(int api) {
  if (api == frames::kFrequencyApi) return kFrames - 1;
  if (api >= frames::kOrvixApi && api < frames::kOrvixApi + kFrames - 1) {
    return api - frames::kOrvixApi;
  }
  return -1;
}

RecentFrames::Slot* RecentFrames::slotOf(int32_t canHandle) const {
  if (canHandle == 0) return nullptr;
  const size_t first = firstSlot(canHandle);
  for (size_t i = 0; i < kControllers; ++i) {
    Slot& slot = slots_[(first + i) % kControllers];
    if (slot.handle.load(std::memory_order_acquire) == canHandle) return &slot;
  }
  return nullptr;
}

void RecentFrames::open(int32_t canHandle) {
  if (canHandle == 0 || slotOf(canHandle) != nullptr) return;
  const size_t first = firstSlot(canHandle);
  for (size_t i = 0; i < kControllers; ++i) {
    Slot& slot = slots_[(first + i) % kControllers];
    int32_t free = 0;
    if (slot.handle.load(std::memory_order_relaxed) != 0) continue;
    slot.generation.fetch_add(1, std::memory_order_acq_rel);
    if (slot.handle.compare_exchange_strong(free, canHandle, std::memory_order_acq_rel)) return;
  }
}

void RecentFrames::close(int32_t canHandle) {
  Slot* slot = slotOf(canHandle);
  if (slot == nullptr) return;
  slot->handle.store(0, std::memory_order_release);
  slot->generation.fetch_add(1, std::memory_order_acq_rel);
}

StatusFrame RecentFrames::read(int32_t canHandle, int api, int errorCode) {
  const int index = frameIndex(api);
  Slot* slot = index < 0 ? nullptr : slotOf(canHandle);
  if (slot == nullptr) return readStatusFrame(canHandle, api, errorCode);
  const uint32_t generation = slot->generation.load(std::memory_order_acquire);
  Frame& frame = slot->frames[static_cast<size_t>(index)];
  const int64_t now = nanosecondsNow();
  Kept kept;
  if (frame.latest.read(kept) && kept.generation == generation &&
      now - kept.readAtNs < kFreshFor.count()) {
    return kept.frame;
  }
  // The time before the read: the frame is at least that new.
  Kept fresh{readStatusFrame(canHandle, api, errorCode), now, generation};
  if (!frame.writing.exchange(true, std::memory_order_acquire)) {
    frame.latest.publish(fresh);
    frame.writing.store(false, std::memory_order_release);
  }
  return fresh.frame;
}

bool RecentFrames::kept(int32_t canHandle, int api, StatusFrame& frame,
                        Clock::time_point& readAt) const {
  const int index = frameIndex(api);
  Slot* slot = index < 0 ? nullptr : slotOf(canHandle);
  if (slot == nullptr) return false;
  const uint32_t generation = slot->generation.load(std::memory_order_acquire);
  Kept kept;
  if (!slot->frames[static_cast<size_t>(index)].latest.read(kept) ||
      kept.generation != generation) {
    return false;
  }
  frame = kept.frame;
  readAt = Clock::time_point(
      std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(kept.readAtNs)));
  return true;
}

}  // namespace korvane::torqa
