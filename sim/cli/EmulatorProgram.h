#pragma once

// The frame of an emulator program run by hand: it announces the terminal it serves and serves
// it until SIGINT or SIGTERM.

#include <signal.h>

#include <functional>
#include <string>
#include <vector>

namespace korvane::sim {

class StopSignals {
 public:
  // SIGINT and SIGTERM are from now on taken by the calling thread alone, in wait(). Made before
  // any other thread starts, so that the threads started later leave them to it; they arrive
  // even when the shell started the program with them ignored.
  StopSignals();
  // Waits for SIGINT or SIGTERM. When given, whileWaiting is called every 200 ms meanwhile.
  void wait(const std::function<void()>& whileWaiting = nullptr) const;

 private:
  sigset_t signals_;
};

// Prints the path alone on standard output, for scripts, and on standard error that the device
// is emulated there (with the note after the path) and how the program ends.
void announce(const std::string& device, const std::string& path, const std::string& note = "");

// Prints on standard error, as "received: <line>", the command lines after the first `shown`,
// and counts them as shown.
void showReceived(const std::vector<std::string>& lines, size_t& shown);

}  // namespace korvane::sim
