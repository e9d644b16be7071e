#pragma once

// The one send through which every frame to the motor controller leaves.

#include <cstdint>

namespace korvane::torqa {

// Sends 8 bytes to messageBase + deviceID, once. Returns the HAL's status: Torqa::sendMessage
// discards it, the open controllers count what it says (Controller::noteSend).
int32_t sendFrame(unsigned int messageBase, const unsigned char* data, int deviceID);

}  // namespace korvane::torqa
