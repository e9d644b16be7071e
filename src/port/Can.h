#pragma once

// The robot's CAN buses as the drivers reach them: a device's handle and the reads of its newest
// frames (the HAL's CAN API), and frames sent, received and collected in stream sessions on a bus
// (the HAL's CAN functions). Classic frames of up to 8 data bytes; a longer frame (CAN FD) comes
// through cut to its first 8 bytes.
//
// Buses are numbered from 0. WPILib 2026 has one, bus 0; WPILib 2027 has one per CAN connector
// of the controller. A call on a bus the robot does not have fails (see busInRange).
//
// Timestamps of received frames are whole milliseconds of the clock the HAL stamps them with,
// a 32-bit count that wraps (receiveClockMs is that clock now).
//
// Failures come back through the status, as the HAL reports them; a HAL that raises passes its
// exception on.
//
// Threading: every function may be called from any thread; the HAL serialises what it must.

#include <cstdint>

namespace korvane::port::can {

// The HAL's statuses the drivers tell apart (the same numbers in every WPILib generation).
constexpr int32_t kMessageNotFound = -44087;  // HAL_ERR_CANSessionMux_MessageNotFound
constexpr int32_t kSessionOverrun = 44050;    // HAL_ERR_CANSessionMux_SessionOverrun

constexpr int kMaxDataBytes = 8;

struct Frame {
  uint32_t id = 0;  // 29-bit extended identifier
  uint8_t size = 0;
  uint8_t data[kMaxDataBytes] = {};
  uint32_t timestampMs = 0;
};

// How many buses this WPILib has (buses 0 .. busCount() - 1).
int busCount();
// True for a bus the robot has; otherwise prints "[<tag>] CAN bus <bus> ..." (why not) on
// standard output.
bool busInRange(int bus, const char* tag);

uint32_t receiveClockMs();

// A handle for the device (manufacturer, device number, device type) on the bus: the HAL's CAN
// handle, non-zero unless the status says why.
int32_t openDevice(int bus, int manufacturer, int deviceNumber, int deviceType, int32_t* status);
void closeDevice(int32_t handle);
// The device's newest frame of the API into data (8 bytes), as HAL_ReadCANPacketLatest: a frame
// read before is handed out again while no newer one came. *length is its byte count.
void readLatest(int32_t handle, int api, uint8_t* data, int32_t* length, uint64_t* timestampMs,
                int32_t* status);
// The same for a frame not read before (HAL_ReadCANPacketNew).
void readNew(int32_t handle, int api, uint8_t* data, int32_t* length, uint64_t* timestampMs,
             int32_t* status);

// One frame with this identifier, sent once.
void send(int bus, uint32_t id, const uint8_t* data, uint8_t size, int32_t* status);
// The newest frame with exactly this identifier that no receive took yet, into data (8 bytes).
void receive(int bus, uint32_t id, uint8_t* data, uint8_t* size, uint32_t* timestampMs,
             int32_t* status);

// A session that keeps every frame on the bus whose identifier matches id under mask, up to
// maxMessages of them (the oldest dropped first). 0 when none opened (the status says why).
uint32_t openSession(int bus, uint32_t id, uint32_t mask, uint32_t maxMessages, int32_t* status);
void closeSession(uint32_t session);
// Up to capacity of the session's frames, oldest first, each handed out once. Allocates nothing.
void readSession(uint32_t session, Frame* frames, uint32_t capacity, uint32_t* read,
                 int32_t* status);

}  // namespace korvane::port::can
