#pragma once

#include <cstdint>

namespace korvane {

/// The handle of one open device, owned by exactly one object of a device class: moving the
/// object hands the device over (the moved-from object is closed), and closing it, destroying it
/// or assigning another device to it closes the device once. The device's state lives in the
/// library, filed under the handle, so moving never moves the device itself.
///
/// Threading: Close, destruction and assignment must not run while another thread calls the same
/// object; other calls may come from any thread.
class DeviceHandle {
 public:
  /// Closes the device a handle names; never throws.
  using CloseFunction = void (*)(int64_t handle) noexcept;

  DeviceHandle(CloseFunction close, int64_t handle) noexcept : close_(close), handle_(handle) {}
  ~DeviceHandle() { Reset(); }
  DeviceHandle(DeviceHandle&& other) noexcept;
  DeviceHandle& operator=(DeviceHandle&& other) noexcept;
  DeviceHandle(const DeviceHandle&) = delete;
  DeviceHandle& operator=(const DeviceHandle&) = delete;

  /// The handle; 0 once closed (or when the device could not be opened).
  int64_t Get() const noexcept { return handle_; }
  /// Closes the device, once; afterwards Get() is 0.
  void Reset() noexcept;

 private:
  CloseFunction close_;
  int64_t handle_;
};

}  // namespace korvane
