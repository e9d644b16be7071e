package com.korvane.frc.sim;

/**
 * The simulated robot's driver-station link. When started, it listens on UDP 127.0.0.1:1110 and
 * sets the system-active state from each control packet's enabled bit, as the robot's
 * communication layer does; when packets stop for half a second it disables the robot. Only one
 * process on the machine can listen at a time. All methods are thread-safe.
 */
public final class SimDriverStation {
  static {
    SimLibraries.loadPlatform();
  }

  private SimDriverStation() {}

  /** Starts listening; false (with a line on standard error) when the port is taken. */
  public static native boolean startListener();

  /** Stops listening; the system state stays as it is. */
  public static native void stopListener();

  public static native boolean listening();

  /** Control packets received since the listener was started. */
  public static native long packetsReceived();

  /** Control byte of the last packet, -1 before any. */
  public static native int lastControl();
}
