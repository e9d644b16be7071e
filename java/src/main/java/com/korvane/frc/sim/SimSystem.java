package com.korvane.frc.sim;

/** The simulated robot's system state. Thread-safe. */
public final class SimSystem {
  static {
    SimLibraries.loadPlatform();
  }

  private SimSystem() {}

  /** Enables or disables the robot's outputs, as the driver station would. */
  public static native void setSystemActive(boolean active);

  /** True while the robot's outputs are enabled. */
  public static native boolean systemActive();
}
