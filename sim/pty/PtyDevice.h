#pragma once

// The pseudo-terminal side of a simulated serial device: the terminal a driver opens, held up
// while no driver has it open, the device's thread and how it waits, and writing to the driver.
// What the device says and how it answers stays with each simulator.
//
// Threading: every member may be called from any thread. The device thread given to run() is
// stopped and joined by stop() or hangUp() (also on destruction), before the terminal closes.
//
// Pseudo-terminals are a Linux facility: on Windows open() makes none, so the emulators built on
// this class are Linux tools.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace korvane::sim {

// How long a device thread lets one streamed write wait for room in the terminal before it drops
// it, and how long bytes a test hands a simulator to send may wait.
constexpr int kStreamWriteTimeoutMs = 100;
constexpr int kSendTimeoutMs = 1000;
// How far a device that streams on a schedule may fall behind it before it lets the missed
// sends go rather than bursting them out.
constexpr std::chrono::milliseconds kMaxCatchUp{100};

// How long bytes take on a serial line at this baud rate: ten bits a byte (start bit, eight data
// bits, stop bit).
std::chrono::nanoseconds lineTime(size_t bytes, int baud);

// Milliseconds from now until a time, at least 0 and rounded up, for a poll timeout.
int millisecondsUntil(std::chrono::steady_clock::time_point when);

class PtyDevice {
 public:
  // A new raw pseudo-terminal (no echo, no line editing), at this baud rate when one above 0 is
  // given; null when none can be made.
  static std::unique_ptr<PtyDevice> open(int baud = 0);
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // The path a driver opens, e.g. "/dev/pts/7".
  const std::string& path() const { return path_; }

  // Starts the device thread.
  void run(std::function<void()> body);
  // True once stop() or hangUp() has begun; the device thread then returns.
  bool stopping() const { return stopping_.load(); }
  // Ends a wait of the device thread (or the next one).
  void wake();
  // The device thread waits for bytes from the driver or a wake-up, up to the timeout (-1: no
  // limit). True when bytes from the driver are waiting to be read.
  bool waitForInput(int timeoutMs);
  // The device thread waits for a wake-up, up to the timeout (-1: no limit). True when woken.
  bool waitForWake(int timeoutMs);
  // Every byte the driver has sent that has not been read yet.
  std::string readAvailable();

  // Writes everything unless the terminal stays full for the timeout; false then, or when the
  // terminal is closed.
  bool writeAll(const char* data, size_t size, int timeoutMs);
  bool writeAll(const std::string& bytes, int timeoutMs) {
    return writeAll(bytes.data(), bytes.size(), timeoutMs);
  }

  // Stops and joins the device thread. Safe to call more than once.
  void stop();
  // Closes the terminal, as an unplugged device vanishes: the driver's reads then fail at once
  // and later writes here fail. Called once the device thread has stopped, which alone reads
  // the terminal. Safe to call more than once.
  void close();
  // stop() then close().
  void hangUp();

 private:
  PtyDevice(int master, int slave, std::string path, int wakeRead, int wakeWrite);
  void drainWake();

  int master_;
  int slave_;  // held open so the terminal stays up while no driver has it open
  int wakeRead_;
  int wakeWrite_;
  const std::string path_;
  std::atomic<bool> stopping_{false};
  std::mutex threadMutex_;  // one stop() joins the thread
  std::thread thread_;
  std::mutex writeMutex_;  // one writer at a time on the master side
};

}  // namespace korvane::sim
