package com.korvane.frc.demo;

import com.korvane.frc.MockDS;
import com.korvane.frc.sim.SimDriverStation;

/**
 * Enables the simulated robot as a real one is enabled: the mock driver station sends control
 * packets to UDP 127.0.0.1:1110, where the simulated robot's communication layer listens.
 */
final class DemoDriverStation {
  private static MockDS driverStation;

  private DemoDriverStation() {}

  /** The robot reports enabled after the mock driver station's one-second warm-up. */
  static void enable() {
    if (!SimDriverStation.startListener()) {
      throw new IllegalStateException("UDP 127.0.0.1:1110 is taken (another robot program?)");
    }
    driverStation = new MockDS();
    driverStation.enable();
  }

  /** Disables the robot: closing the mock driver station marks it disabled. */
  static void disable() {
    if (driverStation != null) {
      driverStation.close();
      driverStation = null;
    }
  }
}
