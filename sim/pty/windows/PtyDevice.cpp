// Windows has no pseudo-terminals: no device is made, and the emulators built on them report that
// they cannot start. The members below are never reached.

#include "sim/pty/PtyDevice.h"

namespace korvane::sim {

std::unique_ptr<PtyDevice> PtyDevice::open(int) {
  return nullptr;
}

PtyDevice::PtyDevice(int master, int slave, std::string path, int wakeRead, int wakeWrite)
    : master_(master),
      slave_(slave),
      wakeRead_(wakeRead),
      wakeWrite_(wakeWrite),
      path_(std::move(path)) {}

PtyDevice::~PtyDevice() {
  hangUp();
}

void PtyDevice::run(std::function<void()>) {}
void PtyDevice::wake() {}
void PtyDevice::drainWake() {}
bool PtyDevice::waitForInput(int) {
  return false;
}
bool PtyDevice::waitForWake(int) {
  return false;
}
std::string PtyDevice::readAvailable() {
  return {};
}
bool PtyDevice::writeAll(const char*, size_t, int) {
  return false;
}
void PtyDevice::stop() {
  stopping_ = true;
}
void PtyDevice::close() {}
void PtyDevice::hangUp() {
  stop();
}

}  // namespace korvane::sim
