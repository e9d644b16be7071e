#pragma once

// Each open motor controller as a simulated device "Torqa[<device number>]" with, per motor 0..3,
// "Output <m>" (the open-loop output last commanded, -1.0 to 1.0) and "RPM <m>" (the speed last
// read from its status frame), and "Enabled" (what the latest heartbeat told the controller).
//
// Without simulation (on the robot) nothing is registered and every update is a load and a
// branch. Updates take no lock and may come from any thread; opened and closed are serialised
// with each other. A second handle opened for a device number already shown is not shown again;
// closing it leaves the first one's device alone.

#include <cstdint>

namespace torqa_simdevice {

void opened(int32_t handle, int deviceID);
void closed(int32_t handle);

void output(int deviceID, int motor, double output);
void enabled(int deviceID, bool enabled);
// Looks the device number up only while some controller is shown.
void speed(long handle, int motor, double rpm);

}  // namespace torqa_simdevice
