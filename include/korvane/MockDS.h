#pragma once

#include "korvane/DeviceHandle.h"

namespace korvane {

/// A mock driver station for simulation: while open, a thread sends a driver-station control
/// packet to UDP 127.0.0.1:1110 every 20 ms, saying enabled or disabled as the last Enable or
/// Disable asked (disabled at first). The first 50 cycles in which it finds the robot enabled
/// still say disabled.
///
/// There is one per process: opening one replaces the one before (from C++ or Java), which stops
/// sending; the replaced object is closed in all but name from then on (IsOpen() and IsSending()
/// false, Enable and Disable do nothing, and closing it leaves the newer one sending).
///
/// Open failure: on a real robot the robot's own communications listen on that port, and a mock
/// driver station would enable the robot without an operator, so nothing starts (and one that
/// runs stops): the object is closed (IsOpen() false), the reason is printed and reported to the
/// driver station. A thread that cannot start leaves it closed as well, with a line.
///
/// Blocking: opening starts a thread and returns; Close stops and joins the thread, up to one
/// cycle (20 ms), and waits for the calls in progress on other threads. Everything else returns
/// at once.
///
/// Threading: every call may come from any thread, also while the thread sends. Close,
/// destruction and assignment must not race other calls on the same object.
class MockDS {
 public:
  /// Starts sending, replacing the mock driver station that sends now.
  MockDS();
  ~MockDS() = default;
  MockDS(MockDS&&) noexcept = default;
  MockDS& operator=(MockDS&&) noexcept = default;

  /// Whether this object holds the mock driver station that sends: false once replaced, closed or
  /// moved from.
  bool IsOpen() const;
  /// Stops this mock driver station's thread, unless another has replaced it. Safe to call again.
  void Close() noexcept { handle_.Reset(); }

  /// Says enabled in the packets from the next cycle on (after the warm-up).
  void Enable();
  /// Says disabled in the packets from the next cycle on.
  void Disable();
  /// Whether this mock driver station sends, as IsOpen().
  bool IsSending() const { return IsOpen(); }

 private:
  static void Destroy(int64_t handle) noexcept;

  DeviceHandle handle_;
};

}  // namespace korvane
