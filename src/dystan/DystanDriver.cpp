// The distance-sensor object: creation for either transport, destruction, and the operations
// that choose between the CAN and the USB form.

#include <algorithm>
#include <memory>

#include "DystanJNI.h"
#include "KorvaneSerial.h"
#include "common/CanStreamSession.h"
#include "common/SensorCreation.h"
#include "dystan/DystanFrames.h"
#include "dystan/DystanScanTable.h"
#include "hal/CAN.h"

namespace {

constexpr int kCan = 0;
constexpr int kUsb = 1;

}  // namespace

DystanJNI::DystanJNI(uint8_t id)
    : transport(kCan), canId(id), scans(std::make_unique<dystan_scans::ScanTable>()) {}

DystanJNI* DystanJNI::c_Dystan_create(int canId) {
  if (!korvane::can_session::canIdInRange(canId, "Dystan")) return nullptr;
  DystanJNI* sensor = korvane::sensor_creation::openOrNull(
      "Dystan", "CAN",
      [canId] {
        std::unique_ptr<DystanJNI> sensor(new DystanJNI(static_cast<uint8_t>(canId)));
        sensor->canOk = korvane::can_session::open(&sensor->session, dystan_frames::kBase,
                                                   dystan_frames::kBaseMask,
                                                   dystan_frames::kSessionCapacity, "Dystan");
        return sensor;
      },
      [](const DystanJNI& sensor) { return sensor.canOk; });
  if (sensor != nullptr && sensor->shown.device.open("Dystan", canId)) sensor->addShownValues();
  return sensor;
}

DystanJNI* DystanJNI::c_Dystan_createUsb(const char* path, int odr) {
  if (path == nullptr) return nullptr;
  DystanJNI* sensor = korvane::sensor_creation::openOrNull(
      "Dystan", "USB",
      [&] { return std::unique_ptr<DystanJNI>(new DystanJNI(std::string(path), odr)); },
      [](const DystanJNI& sensor) { return sensor.fd != -1; });
  if (sensor != nullptr && sensor->shown.device.open("Dystan", path)) sensor->addShownValues();
  return sensor;
}

void DystanJNI::c_Dystan_destroy(DystanJNI* sensor) {
  delete sensor;
}

// The simulated device (a member) goes after the reader is joined.
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

void DystanJNI::addShownValues() {
  shown.device.add(shown.nearest, "Nearest (mm)", -1);
  shown.device.add(shown.sequence, "Sequence", 0);
}

void DystanJNI::show(uint8_t sequence, const int16_t* distances, int count) {
  if (!shownInSimulation()) return;  // nothing to compute without a simulation
  int nearest = -1;
  for (int k = 0; k < count; ++k) {
    // -1 marks a position not received, 0 one the sensor measured nothing at.
    if (distances[k] > 0 && (nearest < 0 || distances[k] < nearest)) nearest = distances[k];
  }
  shown.nearest.set(nearest);
  shown.sequence.set(sequence);
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

DystanJNI::ScanData DystanJNI::c_Dystan_getLatestData(int count) {
  if (count <= 0) return ScanData{};
  count = std::min(count, kMaxDistances);
  return transport == kUsb ? getDataUSB(count) : getLatestDataCAN(count);
}

DystanJNI::Config DystanJNI::c_Dystan_getConfig(int timeoutMs) {
  timeoutMs = std::max(timeoutMs, 0);
  return transport == kUsb ? getConfigUSB(timeoutMs) : getConfigCAN(timeoutMs);
}
