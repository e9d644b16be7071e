#pragma once

// The motor controller driver: registry of open controllers by CAN handle, heartbeat and
// frame addressing.
//
// Threading: create and destroy must not run concurrently with each other or with any other
// operation on any handle (the registry has no lock). Heartbeat threads share only the stop
// flag with callers.

#include <atomic>
#include <thread>

class TorqaJNI {
 public:
  // Opens the controller at CAN device number 1..63 and starts its heartbeat. The CAN handle,
  // or 0 on failure (the reason is printed).
  static long c_Torqa_create(int deviceID, int frequency);
  // Stops every heartbeat thread (joining the newest), forgets the handle and releases it.
  static void c_Torqa_destroy(long handle);
  // Sends the configure frame (motor frequency) for one motor; the index is not checked.
  static void c_Torqa_configureMotor(long handle, signed char motor, int frequency);

  // Shared stop flag of the heartbeat threads (sequentially consistent).
  static std::atomic<bool> stop;
  // The most recently started heartbeat thread, or null.
  static std::thread* task;
};

// The device number registered for the handle, or 0.
int DeviceIDForHandle(long handle);
