#pragma once

// A simulated Kromel colour sensor on the simulated CAN bus.
//
// It acknowledges the commands 18 to 26 with a configurable status (the answer to a
// configuration request is configurable per key), can be made silent, and publishes a colour
// frame every sample time (20 ms at first; a sample-time command with a value above 0 changes
// it).
//
// Threading: every member may be called from any thread. Commands arrive on the sender's thread
// and are acknowledged there, before the send returns; colour frames come from a thread of the
// simulator's own, stopped by detach() or destruction.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/can/ClockedCanDevice.h"

namespace korvane::sim {

class KromelCanSim : public ClockedCanDevice {
 public:
  struct Command {
    unsigned number = 0;
    std::vector<uint8_t> payload;
  };

  // Puts a sensor on CAN bus `bus`, where it stays until detach(). With publishing false it sends
  // no colour frames until setPublishing(true).
  static std::shared_ptr<KromelCanSim> attach(bool publishing = true, int32_t bus = 0);
  ~KromelCanSim() override;

  // The colour the next frames carry (each channel limited to the frame's -3.2768..3.2767).
  void setColor(float x, float y, float z);
  void setPublishing(bool on);
  std::chrono::milliseconds sampleTime() const;
  // Status byte of every acknowledgement (0 accepts).
  void setAckStatus(uint8_t status);
  // The value a configuration request for this key is answered with (0 for unknown keys).
  void setConfigValue(uint8_t key, uint32_t value);
  // A silent sensor records commands but acknowledges none.
  void setSilent(bool silent);

  // Commands received, oldest first.
  std::vector<Command> commands() const;
  // Sequence number of the last colour frame sent; 0 before any.
  uint16_t sequence() const;

  void onFrameSent(const CanFrame& frame) override;

 private:
  KromelCanSim(bool publishing, int32_t bus);
  void run() override;
  void publishLocked();

  bool publishing_;

  std::chrono::milliseconds sampleTime_{20};
  int16_t counts_[3] = {0, 0, 0};
  uint16_t sequence_ = 0;
  uint8_t ackStatus_ = 0;
  bool silent_ = false;
  std::map<uint8_t, uint32_t> config_;
  std::vector<Command> commands_;
};

}  // namespace korvane::sim
