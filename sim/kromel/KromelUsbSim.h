#pragma once

// A simulated Kromel colour sensor on USB: it serves a pseudo-terminal whose path a driver opens
// as it would the sensor's serial device.
//
// The sensor streams one line per sample time ("XYZ: x, y, z" in the XYZ format, lines of
// another kind in the other formats), never faster than 115200 baud would carry them (a sample
// time of 0 streams at that line rate), and obeys the commands "COLORFORMAT,<name>" and
// "SAMPLETIME,<ms>". Every line it receives is recorded. hangUp() makes it vanish as an
// unplugged device does: the driver's reads then fail at once.
//
// Threading: every member may be called from any thread. The sensor runs on a thread of its own,
// stopped by hangUp() or destruction.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/pty/CommandLines.h"
#include "sim/pty/PtyDevice.h"

namespace korvane::sim {

class KromelUsbSim {
 public:
  static constexpr int kBaud = 115200;

  // A sensor on a new pseudo-terminal, streaming in the XYZ format at the sample time; null
  // when no pseudo-terminal can be made.
  static std::unique_ptr<KromelUsbSim> start(int sampleTimeMs = 20);
  ~KromelUsbSim();
  KromelUsbSim(const KromelUsbSim&) = delete;
  KromelUsbSim& operator=(const KromelUsbSim&) = delete;

  // The path a driver opens, e.g. "/dev/pts/7".
  const std::string& path() const { return device_->path(); }

  // The colour the next lines carry.
  void setColor(float x, float y, float z);
  // A sensor that is not streaming sends nothing but what send() gives it.
  void setStreaming(bool on);
  // Sends these bytes to the driver now, as they are (no line end is added). False when they
  // could not all be sent within a second or the sensor has hung up.
  bool send(const std::string& bytes);
  // Closes the pseudo-terminal and stops the sensor. Safe to call more than once.
  void hangUp();

  std::string colorFormat() const;
  int sampleTimeMs() const;
  // Lines received from the driver without their line ends, oldest first.
  std::vector<std::string> commands() const;
  // Every byte received from the driver.
  std::string received() const;
  // Waits until at least count lines have been received.
  bool waitForCommands(size_t count, std::chrono::milliseconds timeout) const;
  // Lines streamed so far (lines given to send() are not counted).
  uint64_t linesSent() const;

 private:
  using Clock = std::chrono::steady_clock;
  KromelUsbSim(std::unique_ptr<PtyDevice> device, int sampleTimeMs);
  void run();
  void receive();
  void obey(const std::string& line);
  std::string nextLineLocked();
  Clock::duration intervalLocked(size_t lineBytes) const;

  const std::unique_ptr<PtyDevice> device_;
  CommandLines received_;

  mutable std::mutex mutex_;
  bool streaming_ = true;
  bool rescheduled_ = false;  // a new sample time starts from now
  int sampleTimeMs_;
  std::string format_ = "XYZ";
  float color_[3] = {0.412f, 0.377f, 0.201f};
  uint64_t linesSent_ = 0;
};

}  // namespace korvane::sim
