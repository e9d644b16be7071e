// The distance-sensor object: creation for either transport, destruction, and the operations
// that choose between the CAN and the USB form.

#include <algorithm>
#include <exception>
#include <iostream>

#include "DystanJNI.h"
#include "KorvaneSerial.h"
#include "common/CanStreamSession.h"
#include "dystan/DystanFrames.h"
#include "hal/CAN.h"

namespace {

constexpr int kCan = 0;
constexpr int kUsb = 1;

}  // namespace

DystanJNI::DystanJNI(uint8_t id) : transport(kCan), canId(id) {}

DystanJNI* DystanJNI::c_Dystan_create(int canId) {
  if (!korvane::can_session::canIdInRange(canId, "Dystan")) return nullptr;
  DystanJNI* sensor = nullptr;
  try {
    sensor = new DystanJNI(static_cast<uint8_t>(canId));
    sensor->canOk =
        korvane::can_session::open(&sensor->session, dystan_frames::kBase, dystan_frames::kBaseMask,
                                   dystan_frames::kSessionCapacity, "Dystan");
  } catch (const std::exception& e) {
    std::cout << "[Dystan] Failed to create the CAN sensor: " << e.what() << std::endl;
  }
  if (sensor != nullptr && !sensor->canOk) {
    c_Dystan_destroy(sensor);
    return nullptr;
  }
  return sensor;
}

DystanJNI* DystanJNI::c_Dystan_createUsb(const char* path, int odr) {
  if (path == nullptr) return nullptr;
  DystanJNI* sensor = nullptr;
  try {
    sensor = new DystanJNI(std::string(path), odr);
  } catch (const std::exception& e) {
    std::cout << "[Dystan] Failed to create the USB sensor: " << e.what() << std::endl;
    return nullptr;
  }
  if (sensor->fd == -1) {
    c_Dystan_destroy(sensor);
    return nullptr;
  }
  return sensor;
}

void DystanJNI::c_Dystan_destroy(DystanJNI* sensor) {
  delete sensor;
}

DystanJNI::~DystanJNI() {
  if (transport == kUsb) {
    stopReader();
    KorvaneSerial::Close(fd);
    fd = -1;
  } else if (canOk) {
    HAL_CAN_CloseStreamSession(session);
    canOk = false;
  }
}

int DystanJNI::c_Dystan_getCanID() const {
  return transport == kCan ? canId : -1;
}

int DystanJNI::c_Dystan_getTransport() const {
  return transport;
}

DystanJNI::ScanData DystanJNI::c_Dystan_getData(int count) {
  if (count <= 0) return ScanData{};
  count = std::min(count, kMaxDistances);
  return transport == kUsb ? getDataUSB(count) : getDataCAN(count);
}

DystanJNI::Config DystanJNI::c_Dystan_getConfig(int timeoutMs) {
  timeoutMs = std::max(timeoutMs, 0);
  return transport == kUsb ? getConfigUSB(timeoutMs) : getConfigCAN(timeoutMs);
}
