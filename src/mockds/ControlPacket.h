#pragma once

// The driver-station control packet and the worker's per-cycle state.

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvane::mockds {

constexpr int kPort = 1110;
constexpr const char* kHost = "127.0.0.1";
constexpr int64_t kPeriodUs = 20000;
constexpr int kWarmupCycles = 50;

constexpr uint8_t kProtocolVersion = 0x01;
constexpr uint8_t kControlEnabledAutonomous = 0x06;  // enabled bit 0x04, autonomous 0x02
constexpr uint8_t kControlDisabled = 0x00;
constexpr uint8_t kRequest = 0x10;
constexpr uint8_t kAllianceStation = 0x00;
constexpr size_t kControlByte = 3;

// Bytes with inline room for 8: the packet never reaches the heap.
class PacketBuffer {
 public:
  void clear() { size_ = 0; }
  void push_back(uint8_t byte) {
    if (size_ < bytes_.size()) bytes_[size_++] = byte;
  }
  uint8_t& operator[](size_t index) { return bytes_[index]; }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return size_; }

 private:
  std::array<uint8_t, 8> bytes_{};
  size_t size_ = 0;
};

// Sequence number (big-endian, wrapping at 65536) and the warm-up count, which counts the first
// 50 cycles that find the robot enabled and is never reset.
class ControlCycle {
 public:
  // Refills `packet` with this cycle's 6 bytes for the enabled flag as read this cycle.
  void build(bool enabled, PacketBuffer& packet) {
    packet.clear();
    packet.push_back(static_cast<uint8_t>(sequence_ >> 8));
    packet.push_back(static_cast<uint8_t>(sequence_ & 0xFF));
    packet.push_back(kProtocolVersion);
    packet.push_back(kControlEnabledAutonomous);
    packet.push_back(kRequest);
    packet.push_back(kAllianceStation);
    sequence_ = static_cast<uint16_t>(sequence_ + 1);
    if (!enabled) {
      packet[kControlByte] = kControlDisabled;
    } else if (enabledCycles_ < kWarmupCycles) {
      ++enabledCycles_;
      packet[kControlByte] = kControlDisabled;
    }
  }
  uint16_t sequence() const { return sequence_; }
  int enabledCycles() const { return enabledCycles_; }

 private:
  uint16_t sequence_ = 0;
  int enabledCycles_ = 0;
};

// The first point of the 20 ms grid through `next` that is later than `now`: missed points are
// skipped, never sent in a burst.
inline int64_t nextGridPoint(int64_t next, int64_t now) {
  while (next <= now) next += kPeriodUs;
  return next;
}

}  // namespace korvane::mockds
