#pragma once

// One open distance sensor: its transport part (CAN or USB, for life), filed in the distance
// sensors' table (DystanSensor.cpp) under its address, the handle of korvane::Dystan and of the
// JNI exports. Arguments are checked here; the parts speak the protocol. Configuration queries
// take turns.
//
// Threading: as DualTransportSensor; scan() over CAN blocks about 24 ms, the other readings never
// wait; config() blocks up to its timeout (DystanJNI.h).

#include <cstdint>
#include <memory>

#include "DystanJNI.h"
#include "common/DualTransportSensor.h"
#include "dystan/DystanParts.h"

namespace korvane::dystan {

class Sensor final : public DystanJNI, public DualTransportSensor<Sensor, Transport> {
 public:
  static Table& table();
  static int64_t handleOf(const Sensor* sensor) {
    return addressHandle(static_cast<const DystanJNI*>(sensor));
  }
  // The handle of a newly opened sensor, or 0 (the reason printed).
  static int64_t openCan(int bus, int canId);
  static int64_t openUsb(const char* path, int odr);

  // Up to count distances (above 64 means 64); count <= 0 gives an empty scan without traffic.
  // scan: over CAN from the frames read during the call; latestScan: at once.
  ScanData scan(int count);
  ScanData latestScan(int count);
  // timeoutMs below 0 counts as 0.
  Config config(int timeoutMs);

 private:
  friend class DualTransportSensor<Sensor, Transport>;
  explicit Sensor(std::unique_ptr<Transport> part) : DualTransportSensor(std::move(part)) {}
};

}  // namespace korvane::dystan
