// Opening and closing motor controllers, and the frame that configures a motor.

#include <exception>
#include <iostream>

#include "Torqa.h"
#include "TorqaFrames.h"
#include "TorqaJNI.h"
#include "common/ConsoleLine.h"
#include "common/LittleEndian.h"
#include "port/Can.h"
#include "torqa/Controllers.h"
#include "torqa/FrameSend.h"

using korvane::torqa::Controllers;

std::atomic<bool> TorqaJNI::stop{false};

namespace {

void report(int code) {
  korvane::printLine(std::cout, Torqa::getErrorMessage(code));
}

}  // namespace

size_t TorqaJNI::runningHeartbeats() {
  return Controllers::instance().runningHeartbeats();
}

int DeviceIDForHandle(long handle) {
  auto controller = Controllers::instance().find(handle);
  return controller ? controller->deviceNumber() : 0;
}

long TorqaJNI::c_Torqa_create(int deviceID, int frequency) {
  return c_Torqa_createOnBus(0, deviceID, frequency);
}

long TorqaJNI::c_Torqa_createOnBus(int bus, int deviceID, int frequency) {
  if (deviceID < 1 || deviceID > 63) {
    report(1002);
    return 0;
  }
  if (static_cast<unsigned int>(frequency) > 20000) {
    report(1001);
    return 0;
  }
  if (!korvane::port::can::busInRange(bus, "Torqa")) return 0;
  Controllers& controllers = Controllers::instance();
  int32_t handle = 0;
  try {
    int32_t status = 0;
    handle = korvane::port::can::openDevice(bus, korvane::torqa::frames::kManufacturer, deviceID,
                                            korvane::torqa::frames::kDeviceType, &status);
    if (status != 0) {
      report(1000);
      return 0;
    }
    if (!controllers.open(handle, deviceID, bus)) {
      korvane::port::can::closeDevice(handle);  // no room to keep it: nobody could close it
      report(1000);
      return 0;
    }
  } catch (const std::exception&) {
    if (handle != 0) korvane::port::can::closeDevice(handle);
    report(1000);
    return 0;
  }
  try {
    for (signed char motor = 0; motor < 4; ++motor)
      c_Torqa_configureMotor(handle, motor, frequency);
    controllers.startHeartbeat(handle);
    return handle;
  } catch (const std::exception&) {
    // Nobody could close a controller whose create returned 0: it goes again, with its handle.
    controllers.discard(handle);
    korvane::port::can::closeDevice(handle);
    report(1000);
    return 0;
  }
}

void TorqaJNI::c_Torqa_destroy(long handle) {
  // Only a handle that a create opened is released: a stale one may name another device's handle
  // by now.
  const auto key = static_cast<int32_t>(handle);
  if (Controllers::instance().close(key)) korvane::port::can::closeDevice(key);
}

void TorqaJNI::c_Torqa_configureMotor(long handle, signed char motor, int frequency) {
  const unsigned char data[8] = {static_cast<unsigned char>(motor), korvane::byteOf(frequency, 0),
                                 korvane::byteOf(frequency, 1)};
  const auto controller = Controllers::instance().find(handle);
  const int32_t status =
      korvane::torqa::sendFrame(controller ? controller->address() : korvane::torqa::Address{},
                                korvane::torqa::frames::kConfigureMotor, data);
  if (controller) controller->noteSend(status);
}
