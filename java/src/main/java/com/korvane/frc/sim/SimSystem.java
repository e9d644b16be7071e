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

  /**
   * Makes the platform report a real robot (a roboRIO 2) as its runtime, or a simulation again,
   * as {@code HAL_GetRuntimeType} tells the drivers. A simulation until set.
   *
   * @param real true for a real robot
   */
  public static native void setRealRobot(boolean real);

  /**
   * Whether the platform reports a real robot.
   *
   * @return true after {@code setRealRobot(true)}
   */
  public static native boolean realRobot();
}
