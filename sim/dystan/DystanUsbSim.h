#pragma once

// A simulated Dystan distance sensor on USB: it serves a pseudo-terminal whose path a driver
// opens as it would the sensor's serial device.
//
// The sensor answers "GETCONFIG" with a text line and obeys "VERBOSE,<0|1>", "DATAFORMAT,BIN",
// "DATAFORMAT,TXT" and "ODR,<n>". It streams at its output rate (n scans a second), never faster
// than 115200 baud would carry them: text lines in the text format it starts in, binary scan
// frames (A5 5A, length, type 1, sequence, n, flags 1, the distances) once switched to binary.
// It can send garbage between frames, and hangUp() makes it vanish as an unplugged device does:
// the driver's reads then fail at once. Every line it receives is recorded.
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

class DystanUsbSim {
 public:
  static constexpr int kBaud = 115200;

  struct Options {
    int outputRate = 10;  // scans a second; 0 streams as fast as the line rate allows
    bool binary = false;  // starts already in the binary format (as after an earlier session)
    bool streaming = true;
  };

  // A sensor on a new pseudo-terminal; null when no pseudo-terminal can be made.
  static std::unique_ptr<DystanUsbSim> start(const Options& options);
  static std::unique_ptr<DystanUsbSim> start() { return start(Options{}); }
  ~DystanUsbSim();
  DystanUsbSim(const DystanUsbSim&) = delete;
  DystanUsbSim& operator=(const DystanUsbSim&) = delete;

  // The path a driver opens, e.g. "/dev/pts/7".
  const std::string& path() const { return device_->path(); }

  // Distances of the next scans (at most 255 are sent).
  void setDistances(const std::vector<int16_t>& distances);
  // A sensor that is not streaming sends nothing but replies and what send() gives it.
  void setStreaming(bool on);
  // Bytes sent before every streamed frame or line.
  void setGarbage(const std::string& bytes);
  // The line answering "GETCONFIG" (without its line end); an empty text means no answer.
  void setConfigReply(const std::string& line);
  // Sends these bytes to the driver now, as they are. False when they could not all be sent
  // within a second or the sensor has hung up.
  bool send(const std::string& bytes);
  // Closes the pseudo-terminal and stops the sensor. Safe to call more than once.
  void hangUp();

  bool binary() const;
  bool verbose() const;
  int outputRate() const;
  // Lines received from the driver without their line ends, oldest first.
  std::vector<std::string> commands() const;
  // Every byte received from the driver.
  std::string received() const;
  // Waits until at least count lines have been received.
  bool waitForCommands(size_t count, std::chrono::milliseconds timeout) const;
  // Scans streamed so far, and the sequence number of the last one.
  uint64_t scansSent() const;
  uint8_t sequence() const;

  // One binary scan frame as the sensor sends it.
  static std::string frame(uint8_t sequence, const std::vector<int16_t>& distances);

 private:
  using Clock = std::chrono::steady_clock;
  DystanUsbSim(std::unique_ptr<PtyDevice> device, const Options& options);
  void run();
  void receive();
  void obey(const std::string& line);
  std::string nextScanLocked();
  Clock::duration intervalLocked(size_t bytes) const;

  const std::unique_ptr<PtyDevice> device_;
  CommandLines received_;

  mutable std::mutex mutex_;
  bool streaming_;
  bool rescheduled_ = false;
  bool binary_;
  bool verbose_ = true;
  int outputRate_;
  std::vector<int16_t> distances_;
  std::string garbage_;
  std::string configReply_ = "VERSION=3 DISTANCE=1 CANFD=0 CANBRS=0 CANID=0";
  std::vector<std::string> pendingReplies_;
  uint64_t scansSent_ = 0;
  uint8_t sequence_ = 0;
};

}  // namespace korvane::sim
