#pragma once

// The simulated CAN buses that every HAL front end reaches: the stand-in's HAL functions call them
// directly, and over WPILib's simulation HALs (2026's or 2027's) its CAN callbacks call them. Each
// operation has the shape of WPILib's CAN simulation callback of the same name, in this library's
// own types, so the front ends share one statement of what the bus does and only convert.
//
// Sent frames are logged and handed to the attached devices. Frames from the device side (see
// korvane/sim/Can.h) are kept as the newest frame per bus and identifier, and appended to every
// matching stream session on their bus. A HAL with one bus (WPILib 2026, the stand-in) uses bus 0.

#include <cstdint>

#include "korvane/sim/Can.h"

namespace korvane::platform::can_bus {

// The CAN statuses the bus reports, the same numbers in every WPILib generation.
constexpr int32_t kInvalidBuffer = -44086;    // HAL_ERR_CANSessionMux_InvalidBuffer
constexpr int32_t kMessageNotFound = -44087;  // HAL_ERR_CANSessionMux_MessageNotFound
constexpr int32_t kNotAllowed = -44088;       // HAL_ERR_CANSessionMux_NotAllowed
constexpr int32_t kSessionOverrun = 44050;    // HAL_ERR_CANSessionMux_SessionOverrun

// A device frame as the HAL hands it out: the frame and its arrival stamp, in the units the front
// end's HAL stamps received frames with (see arrivalStamp).
struct ArrivedFrame {
  sim::CanFrame frame;
  uint64_t stamp = 0;
};

// The HAL's receive clock now, in its own units: the front end defines it, and the bus stamps
// every device frame with it when the frame is injected.
uint64_t arrivalStamp();

void sendMessage(int32_t bus, uint32_t messageID, const uint8_t* data, uint8_t dataSize,
                 int32_t periodMs, int32_t* status);

// The newest frame on the bus matching messageID under the mask that no receive has taken yet;
// the receive takes it, so each frame is received at most once (as on the robot). When no frame
// matches, false, and every output is left as it was: WPILib's HAL then reports
// HAL_ERR_CANSessionMux_MessageNotFound, and the stand-in presets that status itself.
bool receiveMessage(int32_t bus, uint32_t messageID, uint32_t messageIDMask, ArrivedFrame* out,
                    int32_t* status);

void openStreamSession(int32_t bus, uint32_t* sessionHandle, uint32_t messageID,
                       uint32_t messageIDMask, uint32_t maxMessages, int32_t* status);
void closeStreamSession(uint32_t sessionHandle);
// Hands up to messagesToRead of the session's frames, oldest first, to put (with context and the
// frame's index), which writes them out in its HAL's shape. False for a session this bus did not
// open, leaving every output as it was (another device's simulation may serve it). put runs under
// the bus lock: it only copies.
using PutFrame = void (*)(void* context, uint32_t index, const ArrivedFrame& frame);
bool readStreamSession(uint32_t sessionHandle, PutFrame put, void* context, uint32_t messagesToRead,
                       uint32_t* messagesRead, int32_t* status);

// For calls the bus does not model itself (handles, packet reads): true when the call is to fail
// (with *status set); raises when it is to throw. Counts the failure as used.
bool injectedFailure(sim::CanCall call, int32_t* status);

// Puts the bus behind the HAL's CAN calls, once; every simulation control calls it first. The
// stand-in's HAL calls the bus directly; over WPILib it registers the CAN callbacks.
void connectToHal();

}  // namespace korvane::platform::can_bus
