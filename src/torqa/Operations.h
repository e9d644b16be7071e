#pragma once

// Everything a motor controller does, once, for both ways in: the C++ API (korvane::Torqa, which
// acts only on an open controller) and the TorqaJNI statics (which act on any handle, as the
// protocol's table of operations says: a handle that is not open sends to device number 0 and
// reads through the handle alone). Each operation acts on a Target, the controller found once for
// the call and held while it runs.
//
// Threading: every operation may be called from any thread at any time (see TorqaJNI.h for what
// racing calls mean). Commands and telemetry never wait; identity operations block (see there)
// and take turns per controller.

#include <cstdint>
#include <string>

#include "DeviceFaults.h"
#include "torqa/Controllers.h"

namespace korvane::torqa {

// Opening and closing: the CAN handle of a newly opened controller on the CAN bus (its four
// configure frames sent, its heartbeat started), or 0 after the reason's line on standard output.
// Closing stops every controller's heartbeat, then forgets and releases the handle (one that is not
// open is not released). A fault that raises while opening is reported as the HAL's refusal.
int32_t open(int bus, int deviceId, int frequency);
void close(int32_t canHandle);

// Commands: one frame each, sent once. An index or value that fails its check sends nothing.
void configureMotor(const Target& to, signed char motor, int frequency);
void setMotorSpeed(const Target& to, signed char motor, double speed);
void disableMotor(const Target& to, signed char motor);
void resetEncoder(const Target& to, signed char motor);
void setTargetVelocity(const Target& to, signed char motor, float rpm);
void setTargetDistance(const Target& to, signed char motor, int distance);
void setTargetAngle(const Target& to, signed char motor, double degrees);
void setPositionHold(const Target& to, signed char motor, bool hold);
void setEncoderResolution(const Target& to, signed char motor, unsigned short resolution);
void setCurrentLimit(const Target& to, signed char motor, float amps);
void setCurrentLimitMode(const Target& to, signed char motor, unsigned char mode);
void setMotorStopMode(const Target& to, unsigned char mode);
void setPIDType(const Target& to, unsigned char type);
void setMotorPIDType(const Target& to, signed char motor, unsigned char type);
void autotuneAll(const Target& to);
void autotuneMotor(const Target& to, signed char motor);
void setCANSensorOsDelay(const Target& to, unsigned short delay);
void setSensitivity(const Target& to, signed char motor, unsigned char sensitivity);

// Telemetry, decoded from the latest status frame of each kind: kLatest reads the HAL on every
// call, kRecent shares one read per frame among the calls within 1 ms (torqa/StatusFrames.h).
// 0 when the frame is not there.
enum class Read { kLatest, kRecent };
int frequency(const Target& of, Read read);
double controllerTemp(const Target& of, Read read);
double rpm(const Target& of, signed char motor, Read read);
double encoderSpeed(const Target& of, signed char motor, Read read);
// The raw switch byte; 0 for an index outside 0..3.
unsigned char limitSwitch(const Target& of, signed char motor, bool selector, Read read);
double orvixPosition(const Target& of, signed char motor, Read read);
int encoderCount(const Target& of, signed char motor, Read read);
// The count times distancePerTick; 0.0 for an index outside 0..3.
double encoderDistance(const Target& of, signed char motor, double distancePerTick, Read read);
// True and *out set when the frame is there; false otherwise (*out is then 0.0, or untouched
// when out is null or, for the target, the index is outside 0..3).
bool tryRpm(const Target& of, signed char motor, double* out, Read read);
bool tryTargetRpm(const Target& of, signed char motor, double* out, Read read);
// Fills out[0..3]; true only when all four were there.
bool targetRpms(const Target& of, double* out, Read read);
// The four motors' speeds and encoder counts, each as new as the bus had at the call: an open
// controller collects its status frames now (or, while another thread collects them, reads each
// through the HAL). False, with nothing filled, for a handle that is not open.
bool motorTelemetry(const Target& of, double* rpms, int32_t* counts);

// Health: each first takes the recent motor-0 speed frame. Not open: not connected, age -1, an
// empty record.
bool isConnected(const Target& of);
int64_t dataAgeMs(const Target& of);
DeviceFaults faults(const Target& of);

// Identity: the cached info record, asked for up to eight times (about 1.1 s) until it comes,
// and the serial number (10 ms). One at a time per controller.
int reportedId(const Target& of);
std::string firmwareVersion(const Target& of);
std::string hardwareVersion(const Target& of);
std::string serialNumber(const Target& of);
// Makes sure the info record is cached, asking the controller (as deviceId) up to eight times.
bool ensureInfoCached(const Target& of, int deviceId);

}  // namespace korvane::torqa
