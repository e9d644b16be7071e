#include "korvane/DeviceHandle.h"

#include <utility>

namespace korvane {

DeviceHandle::DeviceHandle(DeviceHandle&& other) noexcept
    : close_(other.close_), handle_(std::exchange(other.handle_, 0)) {}

DeviceHandle& DeviceHandle::operator=(DeviceHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    close_ = other.close_;
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

void DeviceHandle::Reset() noexcept {
  const int64_t handle = std::exchange(handle_, 0);
  if (handle != 0 && close_ != nullptr) close_(handle);
}

}  // namespace korvane
