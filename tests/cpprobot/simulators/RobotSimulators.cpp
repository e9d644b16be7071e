#include "RobotSimulators.h"

#include <array>
#include <memory>
#include <mutex>

#include "sim/kromel/KromelCanSim.h"
#include "sim/torqa/TorqaSim.h"

namespace {

std::mutex g_mutex;
std::shared_ptr<korvane::sim::TorqaSim> g_controller;
std::shared_ptr<korvane::sim::KromelCanSim> g_colourSensor;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int korvane_attach_robot_simulators(
    const KorvaneRobotSimulation* values) {
  std::lock_guard lock(g_mutex);
  if (g_controller || g_colourSensor) return -1;
  g_controller = korvane::sim::TorqaSim::attach(values->torqaDeviceNumber);
  std::array<uint8_t, 8> record{};
  for (size_t i = 0; i < record.size(); ++i) record[i] = values->infoRecord[i];
  g_controller->setInfoRecord(record);
  g_controller->setSerialNumber(values->serialNumber[0], values->serialNumber[1],
                                values->serialNumber[2]);
  g_controller->setTemperature(values->temperatureCelsius);
  g_colourSensor = korvane::sim::KromelCanSim::attach();
  g_colourSensor->setColor(values->colorX, values->colorY, values->colorZ);
  return 0;
}

__attribute__((visibility("default"))) int korvane_color_sequence(void) {
  std::lock_guard lock(g_mutex);
  return g_colourSensor ? g_colourSensor->sequence() : 0;
}

__attribute__((visibility("default"))) double korvane_motor_rpm(int motor) {
  std::lock_guard lock(g_mutex);
  return g_controller ? g_controller->motor(motor).rpm : 0.0;
}

__attribute__((visibility("default"))) void korvane_detach_robot_simulators(void) {
  std::lock_guard lock(g_mutex);
  if (g_controller) g_controller->detach();
  if (g_colourSensor) g_colourSensor->detach();
  g_controller.reset();
  g_colourSensor.reset();
}
}
