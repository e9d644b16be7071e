#pragma once

// The reader thread of a device on a USB serial port: it blocks until the port has bytes or stop
// is requested, and hands each read's bytes to the device's parser. A port that hangs up or fails
// a read is given up: the thread then only waits for stop, so a removed device costs no wakeups.
//
// The read block is allocated once and lives across reads and restarts; the parser keeps whatever
// it has not consumed yet itself.
//
// Given the device's health, the reader keeps it: every read with bytes is data heard, a hang-up
// is told as the serial layer finds it (within half a second), and while data is expected the wait
// for bytes gives up when the device would count as silent, to report that, then waits on without a
// timeout. A streaming device costs no extra wakeup, a silent one one per silence.
//
// Threading: start() and stop() are called from one thread at a time (the device's owner). The
// parser runs on the reader thread only, never concurrently with itself; it must not call stop().

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "common/StopSignal.h"

namespace korvane {

class DeviceHealth;

class SerialReader {
 public:
  using Parser = std::function<void(const unsigned char* bytes, int count)>;

  SerialReader() = default;
  ~SerialReader();
  SerialReader(const SerialReader&) = delete;
  SerialReader& operator=(const SerialReader&) = delete;

  // Starts the thread on the descriptor, reading up to blockBytes at a time. With settleMs above
  // 0 it first waits that long (or until stop) and drops what the device sent meanwhile. The
  // health, when given, must outlive the thread. Does nothing when already running. Throws
  // std::system_error when no thread or stop signal can be made, and std::bad_alloc; running()
  // is then false.
  void start(int fd, int blockBytes, Parser parser, int settleMs = 0,
             DeviceHealth* health = nullptr);
  // Asks the thread to stop and joins it; the thread notices at once, even while it waits for
  // bytes. Does nothing when not running.
  void stop();
  bool running() const { return running_.load(); }

 private:
  void run(int fd, int settleMs, DeviceHealth* health);

  std::vector<unsigned char> block_;
  Parser parser_;
  std::unique_ptr<StopSignal> stop_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace korvane
