// TorqaJNI, the motor controller's driver class as the JNI exports call it: each operation finds
// the controller its handle names (torqa/Operations.h) and does what the C++ API does, on any
// handle.

#include "TorqaJNI.h"
#include "torqa/Controllers.h"
#include "torqa/Operations.h"

using korvane::torqa::Read;
using korvane::torqa::Target;

std::atomic<bool> TorqaJNI::stop{false};
std::array<std::atomic<double>, 4> TorqaJNI::encoderDistPerTick{1.0, 1.0, 1.0, 1.0};

int DeviceIDForHandle(long handle) {
  return Target(handle).deviceNumber();
}

bool EnsureTorqaInfoCached(long handle, int deviceID) {
  return korvane::torqa::ensureInfoCached(Target(handle), deviceID);
}

long TorqaJNI::c_Torqa_create(int deviceID, int frequency) {
  return c_Torqa_createOnBus(0, deviceID, frequency);
}

long TorqaJNI::c_Torqa_createOnBus(int bus, int deviceID, int frequency) {
  return korvane::torqa::open(bus, deviceID, frequency);
}

void TorqaJNI::c_Torqa_destroy(long handle) {
  korvane::torqa::close(static_cast<int32_t>(handle));
}

void TorqaJNI::c_Torqa_configureMotor(long handle, signed char motor, int frequency) {
  korvane::torqa::configureMotor(Target(handle), motor, frequency);
}

void TorqaJNI::c_Torqa_setMotorSpeed(long handle, signed char motor, double speed) {
  korvane::torqa::setMotorSpeed(Target(handle), motor, speed);
}

void TorqaJNI::c_Torqa_disableMotor(long handle, signed char motor) {
  korvane::torqa::disableMotor(Target(handle), motor);
}

void TorqaJNI::c_Torqa_resetEncoder(long handle, signed char motor) {
  korvane::torqa::resetEncoder(Target(handle), motor);
}

void TorqaJNI::c_Torqa_setTargetVelocity(long handle, signed char motor, float rpm) {
  korvane::torqa::setTargetVelocity(Target(handle), motor, rpm);
}

void TorqaJNI::c_Torqa_setTargetDistance(long handle, signed char motor, int distance) {
  korvane::torqa::setTargetDistance(Target(handle), motor, distance);
}

void TorqaJNI::c_Torqa_setTargetAngle(long handle, signed char motor, double degrees) {
  korvane::torqa::setTargetAngle(Target(handle), motor, degrees);
}

void TorqaJNI::c_Torqa_setPositionHold(long handle, signed char motor, bool hold) {
  korvane::torqa::setPositionHold(Target(handle), motor, hold);
}

void TorqaJNI::c_Torqa_setEncoderResolution(long handle, signed char motor,
                                            unsigned short resolution) {
  korvane::torqa::setEncoderResolution(Target(handle), motor, resolution);
}

void TorqaJNI::c_Torqa_setCurrentLimit(long handle, signed char motor, float amps) {
  korvane::torqa::setCurrentLimit(Target(handle), motor, amps);
}

void TorqaJNI::c_Torqa_setCurrentLimitMode(long handle, signed char motor, unsigned char mode) {
  korvane::torqa::setCurrentLimitMode(Target(handle), motor, mode);
}

void TorqaJNI::c_Torqa_setMotorStopMode(long handle, unsigned char mode) {
  korvane::torqa::setMotorStopMode(Target(handle), mode);
}

void TorqaJNI::c_Torqa_setPIDType(long handle, unsigned char type) {
  korvane::torqa::setPIDType(Target(handle), type);
}

void TorqaJNI::c_Torqa_setMotorPIDType(long handle, signed char motor, unsigned char type) {
  korvane::torqa::setMotorPIDType(Target(handle), motor, type);
}

void TorqaJNI::c_Torqa_autotuneAll(long handle) {
  korvane::torqa::autotuneAll(Target(handle));
}

void TorqaJNI::c_Torqa_autotuneMotor(long handle, signed char motor) {
  korvane::torqa::autotuneMotor(Target(handle), motor);
}

void TorqaJNI::c_Torqa_setCANSensorOsDelay(long handle, unsigned short delay) {
  korvane::torqa::setCANSensorOsDelay(Target(handle), delay);
}

void TorqaJNI::c_Torqa_setSensitivity(long handle, signed char motor, unsigned char sensitivity) {
  korvane::torqa::setSensitivity(Target(handle), motor, sensitivity);
}

int TorqaJNI::c_Torqa_getFrequency(long handle) {
  return korvane::torqa::frequency(Target(handle), Read::kLatest);
}

double TorqaJNI::c_Torqa_getControllerTemp(long handle) {
  return korvane::torqa::controllerTemp(Target(handle), Read::kLatest);
}

double TorqaJNI::c_Torqa_getRPM(long handle, signed char motor) {
  return korvane::torqa::rpm(Target(handle), motor, Read::kLatest);
}

unsigned char TorqaJNI::c_Torqa_getLimitSwitch(long handle, signed char motor, bool selector) {
  return korvane::torqa::limitSwitch(Target(handle), motor, selector, Read::kLatest);
}

double TorqaJNI::c_Torqa_getOrvixPosition(long handle, signed char motor) {
  return korvane::torqa::orvixPosition(Target(handle), motor, Read::kLatest);
}

// The scale is library-wide: every handle shares it.
void TorqaJNI::c_Torqa_setEncoder(long handle, signed char motor, double distancePerTick) {
  (void)handle;
  if (static_cast<unsigned char>(motor) > 3) return;
  encoderDistPerTick[static_cast<unsigned char>(motor)].store(distancePerTick,
                                                              std::memory_order_relaxed);
}

double TorqaJNI::c_Torqa_getEncoderDistance(long handle, signed char motor) {
  if (static_cast<unsigned char>(motor) > 3) return 0.0;
  return korvane::torqa::encoderDistance(Target(handle), motor,
                                         encoderDistPerTick[motor].load(std::memory_order_relaxed),
                                         Read::kLatest);
}

double TorqaJNI::c_Torqa_getEncoderRaw(long handle, signed char motor) {
  return static_cast<double>(korvane::torqa::encoderCount(Target(handle), motor, Read::kLatest));
}

double TorqaJNI::c_Torqa_getEncoderSpeed(long handle, signed char motor) {
  return korvane::torqa::encoderSpeed(Target(handle), motor, Read::kLatest);
}

int TorqaJNI::c_Torqa_getEncoderCount(long handle, signed char motor) {
  return korvane::torqa::encoderCount(Target(handle), motor, Read::kLatest);
}

bool TorqaJNI::c_Torqa_tryGetRPM(long handle, signed char motor, double* out) {
  return korvane::torqa::tryRpm(Target(handle), motor, out, Read::kLatest);
}

bool TorqaJNI::c_Torqa_tryGetTargetRPM(long handle, signed char motor, double* out) {
  return korvane::torqa::tryTargetRpm(Target(handle), motor, out, Read::kLatest);
}

bool TorqaJNI::c_Torqa_getTargetRPMFromDevice(long handle, double* out) {
  return korvane::torqa::targetRpms(Target(handle), out, Read::kLatest);
}

int TorqaJNI::c_Torqa_getRecentFrequency(long handle) {
  return korvane::torqa::frequency(Target(handle), Read::kRecent);
}

double TorqaJNI::c_Torqa_getRecentControllerTemp(long handle) {
  return korvane::torqa::controllerTemp(Target(handle), Read::kRecent);
}

double TorqaJNI::c_Torqa_getRecentRPM(long handle, signed char motor) {
  return korvane::torqa::rpm(Target(handle), motor, Read::kRecent);
}

double TorqaJNI::c_Torqa_getRecentEncoderSpeed(long handle, signed char motor) {
  return korvane::torqa::encoderSpeed(Target(handle), motor, Read::kRecent);
}

int TorqaJNI::c_Torqa_getRecentEncoderCount(long handle, signed char motor) {
  return korvane::torqa::encoderCount(Target(handle), motor, Read::kRecent);
}

unsigned char TorqaJNI::c_Torqa_getRecentLimitSwitch(long handle, signed char motor,
                                                     bool selector) {
  return korvane::torqa::limitSwitch(Target(handle), motor, selector, Read::kRecent);
}

double TorqaJNI::c_Torqa_getRecentOrvixPosition(long handle, signed char motor) {
  return korvane::torqa::orvixPosition(Target(handle), motor, Read::kRecent);
}

bool TorqaJNI::c_Torqa_tryGetRecentRPM(long handle, signed char motor, double* out) {
  return korvane::torqa::tryRpm(Target(handle), motor, out, Read::kRecent);
}

bool TorqaJNI::c_Torqa_tryGetRecentTargetRPM(long handle, signed char motor, double* out) {
  return korvane::torqa::tryTargetRpm(Target(handle), motor, out, Read::kRecent);
}

bool TorqaJNI::c_Torqa_getRecentTargetRPMs(long handle, double* out) {
  return korvane::torqa::targetRpms(Target(handle), out, Read::kRecent);
}

bool TorqaJNI::c_Torqa_readMotorTelemetry(long handle, double* rpms, int32_t* counts) {
  return korvane::torqa::motorTelemetry(Target(handle), rpms, counts);
}

bool TorqaJNI::c_Torqa_isConnected(long handle) {
  return korvane::torqa::isConnected(Target(handle));
}

int64_t TorqaJNI::c_Torqa_getDataAgeMs(long handle) {
  return korvane::torqa::dataAgeMs(Target(handle));
}

DeviceFaults TorqaJNI::c_Torqa_getFaults(long handle) {
  return korvane::torqa::faults(Target(handle));
}

int TorqaJNI::c_Torqa_getID(long handle) {
  return korvane::torqa::reportedId(Target(handle));
}

std::string TorqaJNI::c_Torqa_getFirmwareVersion(long handle) {
  return korvane::torqa::firmwareVersion(Target(handle));
}

std::string TorqaJNI::c_Torqa_getHardwareVersion(long handle) {
  return korvane::torqa::hardwareVersion(Target(handle));
}

std::string TorqaJNI::c_Torqa_getSerialNumber(long handle) {
  return korvane::torqa::serialNumber(Target(handle));
}
