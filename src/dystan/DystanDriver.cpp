// The distance-sensor object: creation for either transport, and the operations, whose arguments
// are checked here and carried by the object's transport part.

#include <algorithm>
#include <utility>

#include "DystanJNI.h"
#include "common/DualTransportSensor.h"
#include "dystan/DystanParts.h"

namespace {

constexpr const char* kTag = "Dystan";

}  // namespace

namespace korvane::dystan {

uint32_t silenceMsFor(int scansPerSecond) {
  if (scansPerSecond <= 0) return kUnknownRateSilenceMs;
  return std::max(kShortestSilenceMs, 3000u / static_cast<uint32_t>(scansPerSecond));
}

void Transport::showAs(std::string_view className, std::string_view id) {
  if (!shown_.device.open(className, id)) return;
  shown_.device.add(shown_.nearest, "Nearest (mm)", -1);
  shown_.device.add(shown_.sequence, "Sequence", 0);
}

void Transport::show(uint8_t sequence, const int16_t* distances, int count) {
  if (!shownInSimulation()) return;  // nothing to compute without a simulation
  int nearest = -1;
  for (int k = 0; k < count; ++k) {
    // -1 marks a position not received, 0 one the sensor measured nothing at.
    if (distances[k] > 0 && (nearest < 0 || distances[k] < nearest)) nearest = distances[k];
  }
  shown_.nearest.set(nearest);
  shown_.sequence.set(sequence);
}

}  // namespace korvane::dystan

DystanJNI::DystanJNI(std::unique_ptr<Transport> part) : part_(std::move(part)) {}
DystanJNI::~DystanJNI() = default;

DystanJNI* DystanJNI::c_Dystan_create(int canId) {
  return c_Dystan_createOnBus(0, canId);
}

DystanJNI* DystanJNI::c_Dystan_createOnBus(int bus, int canId) {
  return korvane::DualTransportSensor<DystanJNI>::openCan<korvane::dystan::CanPart>(kTag, bus,
                                                                                    canId);
}

DystanJNI* DystanJNI::c_Dystan_createUsb(const char* path, int odr) {
  return korvane::DualTransportSensor<DystanJNI>::openUsb<korvane::dystan::UsbPart>(kTag, path,
                                                                                    odr);
}

void DystanJNI::c_Dystan_destroy(DystanJNI* sensor) {
  delete sensor;
}

int DystanJNI::c_Dystan_getCanID() const {
  return part_->canId();
}

int DystanJNI::c_Dystan_getTransport() const {
  return part_->transport();
}

DystanJNI::ScanData DystanJNI::c_Dystan_getData(int count) {
  if (count <= 0) return ScanData{};
  return part_->scan(std::min(count, kMaxDistances));
}

DystanJNI::ScanData DystanJNI::c_Dystan_getLatestData(int count) {
  if (count <= 0) return ScanData{};
  return part_->latestScan(std::min(count, kMaxDistances));
}

DystanJNI::Config DystanJNI::c_Dystan_getConfig(int timeoutMs) {
  return part_->config(std::max(timeoutMs, 0));
}

bool DystanJNI::c_Dystan_isConnected() {
  part_->listen();
  return part_->health().connected();
}

int64_t DystanJNI::c_Dystan_getDataAgeMs() {
  part_->listen();
  return part_->health().dataAgeMs();
}

DeviceFaults DystanJNI::c_Dystan_getFaults() {
  part_->listen();
  return part_->health().record();
}
