// The distance-sensor object: opening for either transport, its table, and the operations, whose
// arguments are checked here and carried by the object's transport part.

#include "dystan/DystanSensor.h"

#include <algorithm>

namespace korvane::dystan {

namespace {

constexpr const char* kTag = "Dystan";

}  // namespace

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

// The distance sensors' table: every open sensor, whichever way it was opened.
Sensor::Table& Sensor::table() {
  static Table* sensors = new Table;  // never destroyed: a late call still finds a table
  return *sensors;
}

int64_t Sensor::openCan(int bus, int canId) {
  return DualTransportSensor::openCan<CanPart>(kTag, bus, canId);
}

int64_t Sensor::openUsb(const char* path, int odr) {
  return DualTransportSensor::openUsb<UsbPart>(kTag, path, odr);
}

ScanData Sensor::scan(int count) {
  if (count <= 0) return ScanData{};
  return part().scan(std::min(count, kMaxDistances));
}

ScanData Sensor::latestScan(int count) {
  if (count <= 0) return ScanData{};
  return part().latestScan(std::min(count, kMaxDistances));
}

Config Sensor::config(int timeoutMs) {
  const auto turn = commandTurn();
  return part().config(std::max(timeoutMs, 0));
}

}  // namespace korvane::dystan
