package com.korvane.frc.sim;

/** The simulated robot's system state. Thread-safe. */
public final class SimSystem {
  static {
    SimLibraries.loadPlatform();
  }

  private SimSystem() {}

  /**
   * Enables or disables the robot's outputs, as the driver station would. Returns at once.
   *
   * @param active true for enabled
   */
  public static native void setSystemActive(boolean active);

  /**
   * Whether the robot's outputs are enabled, as the platform reports it to the drivers.
   *
   * @return true while enabled; false until first set
   */
  public static native boolean systemActive();
}
