#include "EmulatorProgram.h"

#include <iostream>

namespace korvane::sim {
namespace {

void ignore(int) {}

}  // namespace

StopSignals::StopSignals() {
  signal(SIGINT, ignore);
  signal(SIGTERM, ignore);
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

void StopSignals::wait(const std::function<void()>& whileWaiting) const {
  if (!whileWaiting) {
    int signal = 0;
    while (sigwait(&signals_, &signal) != 0) {
    }
    return;
  }
  const timespec tick{0, 200 * 1000000L};
  while (sigtimedwait(&signals_, nullptr, &tick) < 0) whileWaiting();
}

void announce(const std::string& device, const std::string& path, const std::string& note) {
  std::cout << path << std::endl;
  std::cerr << device << " emulated on " << path << note << " (Ctrl-C ends it)" << std::endl;
}

void showReceived(const std::vector<std::string>& lines, size_t& shown) {
  for (; shown < lines.size(); ++shown) std::cerr << "received: " << lines[shown] << "\n";
}

}  // namespace korvane::sim
