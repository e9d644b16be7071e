#pragma once

// The simulated devices of the C++ robot program's run: a Torqa motor controller and a Kromel
// colour sensor on WPILib's simulated CAN bus, from the repository's own simulators. The program
// loads this library at run time (dlopen) and finds these functions by name, so nothing of the
// repository but the vendor dependency's zips goes into building it.

#include <stdint.h>

extern "C" {

/// What the simulators send: the colour sensor's colour, the controller's temperature, its info
/// record (device number, firmware major/minor/patch, hardware kind and version) and serial number.
struct KorvaneRobotSimulation {
  int torqaDeviceNumber;
  float colorX, colorY, colorZ;
  double temperatureCelsius;
  uint8_t infoRecord[8];
  uint32_t serialNumber[3];
};

/// Puts both devices on the bus with these values; returns 0, or -1 when they are already there.
typedef int (*KorvaneAttachRobotSimulators)(const KorvaneRobotSimulation* values);
/// The colour sensor's sequence number of its newest colour frame (0 before any).
typedef int (*KorvaneColorSequence)(void);
/// The controller's motor speed as its model has it now, RPM.
typedef double (*KorvaneMotorRpm)(int motor);
/// Takes both devices off the bus and stops their threads.
typedef void (*KorvaneDetachRobotSimulators)(void);
}
