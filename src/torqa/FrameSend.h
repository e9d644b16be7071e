#pragma once

// The one send through which every frame to the motor controller leaves, on the controller's CAN
// bus.

#include <cstdint>

namespace korvane::torqa {

// Where a controller's frames go: its CAN bus and device number (bus 0, device 0 for a handle
// that is not open).
struct Address {
  int bus = 0;
  int deviceNumber = 0;
};

// Sends 8 bytes to messageBase + the device number on the bus, once. Returns the HAL's status:
// Torqa::sendMessage discards it, the open controllers count what it says (Controller::noteSend).
int32_t sendFrame(const Address& to, unsigned int messageBase, const unsigned char* data);

}  // namespace korvane::torqa
