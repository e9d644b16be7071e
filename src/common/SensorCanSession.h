#pragma once

// The CAN link of a sensor's CAN part: its bus and CAN ID and the stream session that collects the
// sensor's frames, opened with the link and closed with it; frames sent once, and the latest
// frame with one identifier. Calls that fail count in the part's health (a receive or read that
// finds nothing is not a failure).
//
// Threading: the constructor and destructor belong to the owner. send and receiveLatest may be
// called from any thread; read from one thread at a time (the owner serialises the session's
// readers).

#include <cstdint>

#include "port/Can.h"

namespace korvane {

class DeviceHealth;

class SensorCanSession {
 public:
  using Frame = port::can::Frame;

  // Which frames the session keeps: every frame whose identifier matches messageId under mask,
  // up to maxMessages of them.
  struct Filter {
    uint32_t messageId;
    uint32_t mask;
    uint32_t maxMessages;
  };

  // True for 0..63; otherwise prints "[<tag>] CAN ID <id> is out of range (0 - 63)" on standard
  // output.
  static bool idInRange(int canId, const char* tag);

  // Opens the session on the bus; a failure prints "[<tag>] Failed to open CAN stream session
  // (status <n>)" on standard output and leaves the link closed. The health must outlive the link.
  SensorCanSession(int bus, uint8_t canId, const Filter& filter, const char* tag,
                   DeviceHealth& health);
  ~SensorCanSession();
  SensorCanSession(const SensorCanSession&) = delete;
  SensorCanSession& operator=(const SensorCanSession&) = delete;

  bool isOpen() const { return open_; }
  int bus() const { return bus_; }
  uint8_t canId() const { return canId_; }

  // Reads up to capacity frames in arrival order; the count read, 0 when the read failed or the
  // link is closed. A read that overran still hands back the frames the session kept (only the
  // oldest were dropped), so they count like any other read.
  uint32_t read(Frame* frames, uint32_t capacity) const;
  // Sends one frame, once, on the link's bus; whether the bus took it.
  bool send(uint32_t messageId, const uint8_t* data, uint8_t length) const;
  // The newest frame with exactly this identifier on the link's bus not received before, into
  // data (8 bytes): its byte count, -1 when there is none; timestamp (when given) is when it
  // arrived, in milliseconds of the HAL's receive clock (port::can::receiveClockMs).
  int receiveLatest(uint32_t messageId, uint8_t* data, uint32_t* timestamp = nullptr) const;

 private:
  const int bus_;
  const uint8_t canId_;
  DeviceHealth& health_;
  uint32_t session_ = 0;
  bool open_ = false;
};

}  // namespace korvane
