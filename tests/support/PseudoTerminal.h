#pragma once

// A pseudo-terminal for serial-port tests: the test holds the device side (the master) and
// hands the terminal's path to the code under test, which opens it as its serial port.

#include <chrono>
#include <string>

namespace korvane::test {

class PseudoTerminal {
 public:
  // Opens a new pseudo-terminal in raw mode; ok() tells whether that worked. The terminal side
  // is held open as well, so it stays up while the code under test has not opened it.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return master_ != -1; }
  // The path to open, e.g. "/dev/pts/7".
  const std::string& path() const { return path_; }

  // Sends bytes to the code under test. False on failure.
  bool write(const std::string& bytes);
  // Bytes the code under test sent: reads until at least `count` have arrived or the timeout
  // passes, then returns what it has.
  std::string readAtLeast(size_t count,
                          std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Everything that arrives until nothing has come for `quiet`.
  std::string readUntilQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
  // Bytes sent to the code under test that wait in the terminal's input queue, not yet read.
  int pendingInput() const;
  // Waits until at least `count` bytes wait there.
  bool waitForPendingInput(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Closes both sides, as an unplugged device: reads on the terminal then fail at once.
  void hangUp();

 private:
  int master_ = -1;
  int held_ = -1;
  std::string path_;
};

}  // namespace korvane::test
