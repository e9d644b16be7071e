#pragma once

// The simulated CAN bus that both HALs reach: the stand-in's HAL functions call it directly, and
// over WPILib's simulation HAL its CAN callbacks call it. Each operation has the shape of WPILib's
// CAN simulation callback of the same name (hal/simulation/CanData.h), so the two HALs share one
// statement of what the bus does.
//
// Sent frames are logged and handed to the attached devices. Frames from the device side (see
// korvane/sim/Can.h) are kept as the newest frame per identifier, and appended to every matching
// stream session.

#include <cstdint>

#include "hal/CAN.h"
#include "korvane/sim/Can.h"

namespace korvane::platform::can_bus {

void sendMessage(uint32_t messageID, const uint8_t* data, uint8_t dataSize, int32_t periodMs,
                 int32_t* status);

// The newest frame matching messageID under the mask that no receive has taken yet; the receive
// takes it, so each frame is received at most once (as on the robot). When no frame matches,
// every output is left as it was: WPILib's HAL then reports
// HAL_ERR_CANSessionMux_MessageNotFound, and the stand-in presets that status itself.
void receiveMessage(uint32_t* messageID, uint32_t messageIDMask, uint8_t* data, uint8_t* dataSize,
                    uint32_t* timeStamp, int32_t* status);

void openStreamSession(uint32_t* sessionHandle, uint32_t messageID, uint32_t messageIDMask,
                       uint32_t maxMessages, int32_t* status);
void closeStreamSession(uint32_t sessionHandle);
// A session this bus did not open leaves every output as it was (another device's simulation
// may serve it).
void readStreamSession(uint32_t sessionHandle, HAL_CANStreamMessage* messages,
                       uint32_t messagesToRead, uint32_t* messagesRead, int32_t* status);

// For calls the bus does not model itself (handles, packet reads): true when the call is to fail
// (with *status set); raises when it is to throw. Counts the failure as used.
bool injectedFailure(sim::CanCall call, int32_t* status);

// Puts the bus behind the HAL's CAN calls, once; every simulation control calls it first. The
// stand-in's HAL calls the bus directly; over WPILib it registers the CAN callbacks.
void connectToHal();

}  // namespace korvane::platform::can_bus
