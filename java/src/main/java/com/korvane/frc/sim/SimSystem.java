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
  public static void setSystemActive(boolean active) {
    SimLibraries.requirePlatform();
    setSystemActive0(active);
  }

  private static native void setSystemActive0(boolean active);

  /**
   * Whether the robot's outputs are enabled, as the platform reports it to the drivers.
   *
   * @return true while enabled; false until first set
   */
  public static boolean systemActive() {
    SimLibraries.requirePlatform();
    return systemActive0();
  }

  private static native boolean systemActive0();

  /**
   * Makes the platform report a real robot (a roboRIO 2) as its runtime, or a simulation again,
   * as {@code HAL_GetRuntimeType} tells the drivers. A simulation until set.
   *
   * @param real true for a real robot
   */
  public static void setRealRobot(boolean real) {
    SimLibraries.requirePlatform();
    setRealRobot0(real);
  }

  private static native void setRealRobot0(boolean real);

  /**
   * Whether the platform reports a real robot.
   *
   * @return true after {@code setRealRobot(true)}
   */
  public static boolean realRobot() {
    SimLibraries.requirePlatform();
    return realRobot0();
  }

  private static native boolean realRobot0();
}
