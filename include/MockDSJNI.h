#pragma once

// The mock driver station: once created, a worker thread sends a driver-station control packet
// to UDP 127.0.0.1:1110 every 20 ms, marking the robot enabled or disabled as the last enable or
// disable asked. The first 50 cycles in which it finds the robot enabled (counted over the
// worker's life) still say disabled.
//
// It runs only where those packets do something: on a real robot (HAL_GetRuntimeType) the robot's
// own communications listen on that port, and a mock driver station would enable the robot without
// an operator; WPILib 2027 takes none of them (Systemcore is enabled by its own driver station, its
// simulation by its GUI). There create starts nothing (and stops one that runs), sends nothing, and
// says why on the log hook's stream and to the driver station (port/MockDriverStation.h).
//
// There is one mock driver station: its live instance is filed in a one-per-process handle table
// (korvane::HandleTable), through which enable, disable and destroy find it; `pImpl` owns it.
//
// Threading: every call may run on any thread, also while the worker sends and while another
// call runs; creates take effect one at a time. Before the first create, enable, disable and
// destroy do nothing. At library unload the worker is stopped and joined.
// Ownership: `pImpl` owns the instance and the table only refers to it. An instance takes itself
// out of the table first thing when it is destroyed (waiting for the calls that found it), so
// neither a replacing create, nor `pImpl.reset()`, nor the unload leaves the table referring to
// freed memory.

#include <memory>

class MockDSJNI {
 public:
  // Starts a new worker (sequence 0, fresh warm-up); the one it replaces is then stopped,
  // joined and freed. Where it may not run: nothing starts (see above).
  static void c_MockDS_create();
  static void c_MockDS_enable();
  static void c_MockDS_disable();
  // The same as disable: the worker keeps sending disabled packets.
  static void c_MockDS_destroy();
  // Whether a worker runs: false before the first create, and after a create that was refused.
  static bool c_MockDS_isSending();

  class Impl;
  static std::unique_ptr<Impl> pImpl;
};
