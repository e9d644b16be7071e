#pragma once

// The motor controller driver as the JNI exports call it, by CAN handle: a thin facade over the
// open controllers (korvane::Torqa in korvane/Torqa.h is the same controller for C++ programs),
// kept for the exports. A handle that is not open sends its frames to device number 0 and reads
// through the handle alone.
//
// Threading: every operation may be called from any thread at any time. Commands, identity,
// telemetry and health find their controller in one table that no sequence of calls corrupts, and
// a controller is freed only once no call holds it; telemetry of a handle that is not open reads
// through the handle alone. Every status-frame read of an open controller is kept among its
// recent frames and tells its health when the frame arrived. What the order of racing calls means
// is the caller's business:
// - A command racing the destroy of its handle goes to the controller before the destroy or,
//   after it, to device 0 (a handle that is not open); reads through a released handle fail as
//   the HAL decides.
// - create and destroy are serialised with each other. destroy raises the shared stop flag and
//   joins every heartbeat thread (the pause between beats is cut short), and waits for the
//   calls that hold its controller (identity operations too, up to about 1.1 s); heartbeat
//   threads share only that flag with callers.
// - Commands never wait for an answer and never sleep. Telemetry reads the handle's latest frames
//   and never waits; a setEncoder racing a getEncoderDistance of the same channel may or may not
//   be seen by it. The recent-frame reads share one HAL call for all of a controller's status
//   frames among all threads within 1 ms; several threads that find a frame older than that may
//   each read it.
// - Identity operations (getID, getFirmwareVersion, getHardwareVersion, getSerialNumber) block
//   the calling thread: up to about 1.1 s while the info record cannot be obtained, 10 ms for the
//   serial number. They hold their controller meanwhile (a destroy waits for them) and take
//   turns on one controller.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "DeviceFaults.h"

class TorqaJNI {
 public:
  // Opens the controller at CAN device number 1..63 and starts its heartbeat. The CAN handle,
  // or 0 on failure (the reason is printed), also while 256 controllers are open already.
  static long c_Torqa_create(int deviceID, int frequency);
  // The same on a CAN bus of the robot's (0 .. port::can::busCount() - 1; WPILib 2026 has bus 0
  // only): a bus it does not have is refused with a "[Torqa] CAN bus ..." line. Every frame to the
  // controller goes on its bus.
  static long c_Torqa_createOnBus(int bus, int deviceID, int frequency);
  // Stops and joins the heartbeat thread of every open controller (any destroy silences them
  // all), then forgets the handle and releases it. A handle that is not open is not released.
  static void c_Torqa_destroy(long handle);

  // Commands: one frame each, sent once to the handle's device number. An index or value that
  // fails its check sends nothing.
  // Sends the configure frame (motor frequency) for one motor; the index is not checked.
  static void c_Torqa_configureMotor(long handle, signed char motor, int frequency);
  // Open-loop output, -1.0 (full reverse) to 1.0 (full forward); motor 0..3.
  static void c_Torqa_setMotorSpeed(long handle, signed char motor, double speed);
  static void c_Torqa_disableMotor(long handle, signed char motor);
  static void c_Torqa_resetEncoder(long handle, signed char motor);
  // Closed-loop targets. The index may be at most 3 (a negative index is sent as its byte).
  static void c_Torqa_setTargetVelocity(long handle, signed char motor, float rpm);
  static void c_Torqa_setTargetDistance(long handle, signed char motor, int distance);
  static void c_Torqa_setTargetAngle(long handle, signed char motor, double degrees);
  static void c_Torqa_setPositionHold(long handle, signed char motor, bool hold);
  static void c_Torqa_setEncoderResolution(long handle, signed char motor,
                                           unsigned short resolution);
  static void c_Torqa_setCurrentLimit(long handle, signed char motor, float amps);
  static void c_Torqa_setCurrentLimitMode(long handle, signed char motor, unsigned char mode);
  static void c_Torqa_setMotorStopMode(long handle, unsigned char mode);
  // PID type 0..2, for every motor or for motor 0..3.
  static void c_Torqa_setPIDType(long handle, unsigned char type);
  static void c_Torqa_setMotorPIDType(long handle, signed char motor, unsigned char type);
  static void c_Torqa_autotuneAll(long handle);
  static void c_Torqa_autotuneMotor(long handle, signed char motor);
  // At least 5; smaller delays are raised to 5.
  static void c_Torqa_setCANSensorOsDelay(long handle, unsigned short delay);
  // Sensitivity 0..10.
  static void c_Torqa_setSensitivity(long handle, signed char motor, unsigned char sensitivity);

  // Telemetry: decoded from the latest status frame of each kind; 0 when none has come.
  static int c_Torqa_getFrequency(long handle);
  static double c_Torqa_getControllerTemp(long handle);
  static double c_Torqa_getRPM(long handle, signed char motor);
  // The raw switch byte (first switch when selector is false); 0 for an index outside 0..3.
  static unsigned char c_Torqa_getLimitSwitch(long handle, signed char motor, bool selector);
  static double c_Torqa_getOrvixPosition(long handle, signed char motor);
  // Distance per encoder tick of one channel (0..3), shared by every controller.
  static void c_Torqa_setEncoder(long handle, signed char motor, double distancePerTick);
  // Encoder count times the channel's distance per tick; 0.0 for an index outside 0..3.
  static double c_Torqa_getEncoderDistance(long handle, signed char motor);
  static double c_Torqa_getEncoderRaw(long handle, signed char motor);
  static double c_Torqa_getEncoderSpeed(long handle, signed char motor);
  static int c_Torqa_getEncoderCount(long handle, signed char motor);
  // True and *out set when the frame is there; false otherwise (*out is then 0.0, or untouched
  // when out is null or, for the target, the index is outside 0..3).
  static bool c_Torqa_tryGetRPM(long handle, signed char motor, double* out);
  static bool c_Torqa_tryGetTargetRPM(long handle, signed char motor, double* out);
  // Fills out[0..3] with the four target RPMs; true only when all four were there.
  static bool c_Torqa_getTargetRPMFromDevice(long handle, double* out);

  // The same readings from the recent frames: a frame read through the HAL less than 1 ms ago (by
  // any of these calls, for any reading it carries, or with every other status frame the
  // controller sent) is decoded again instead of read again, so the getters of one robot loop
  // make one HAL call per controller. An open controller's frames only; for any other handle each
  // call reads the HAL.
  static int c_Torqa_getRecentFrequency(long handle);
  static double c_Torqa_getRecentControllerTemp(long handle);
  static double c_Torqa_getRecentRPM(long handle, signed char motor);
  static double c_Torqa_getRecentEncoderSpeed(long handle, signed char motor);
  static int c_Torqa_getRecentEncoderCount(long handle, signed char motor);
  static unsigned char c_Torqa_getRecentLimitSwitch(long handle, signed char motor, bool selector);
  static double c_Torqa_getRecentOrvixPosition(long handle, signed char motor);
  static bool c_Torqa_tryGetRecentRPM(long handle, signed char motor, double* out);
  static bool c_Torqa_tryGetRecentTargetRPM(long handle, signed char motor, double* out);
  static bool c_Torqa_getRecentTargetRPMs(long handle, double* out);
  // The four motors' speeds (rpms[0..3]) and encoder counts (counts[0..3]) at once, each as new
  // as the bus had at the call: one collection of the controller's status frames. False, with
  // nothing filled, for a handle that is not open.
  static bool c_Torqa_readMotorTelemetry(long handle, double* rpms, int32_t* counts);

  // Health: whether status frames keep coming (one within the last 100 ms; the controller sends
  // them every 20 ms), the age of the newest in milliseconds (-1 before any), and the failed sends
  // and status reads. Each first takes the recent motor-0 RPM frame (one HAL read, shared with the
  // recent-frame getters within 1 ms) and never waits. A handle
  // that is not open is not connected, with age -1 and no faults. A change of health is reported
  // to the driver station once, also while nothing asks (the heartbeat looks every beat).
  static bool c_Torqa_isConnected(long handle);
  static int64_t c_Torqa_getDataAgeMs(long handle);
  static DeviceFaults c_Torqa_getFaults(long handle);

  // Identity: the cached info record (fetched with retries) and the serial number.
  static int c_Torqa_getID(long handle);
  static std::string c_Torqa_getFirmwareVersion(long handle);
  static std::string c_Torqa_getHardwareVersion(long handle);
  static std::string c_Torqa_getSerialNumber(long handle);

  // Shared stop flag of the heartbeat threads (sequentially consistent), raised and cleared by the
  // open controllers' table (torqa/Controllers.h), which keeps the heartbeat policy.
  static std::atomic<bool> stop;
  // Distance per encoder tick of the four channels, library-wide; 1.0 at load.
  static std::array<std::atomic<double>, 4> encoderDistPerTick;
};

// The device number of the controller open under the handle, or 0.
int DeviceIDForHandle(long handle);
// Makes sure the handle's info record is cached, asking the controller up to eight times; a
// handle that is not open is asked all the same, but nothing is cached for it.
bool EnsureTorqaInfoCached(long handle, int deviceID);
