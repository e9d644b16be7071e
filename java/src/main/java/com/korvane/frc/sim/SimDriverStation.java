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

  /**
   * Binds the port and starts the listener thread.
   *
   * @return true when it listens (also when it already did); false, with a line on standard
   *     error, when the port is taken
   */
  public static boolean startListener() {
    SimLibraries.requirePlatform();
    return startListener0();
  }

  private static native boolean startListener0();

  /** Stops and joins the listener and closes its socket; the system state stays as it is. */
  public static void stopListener() {
    SimLibraries.requirePlatform();
    stopListener0();
  }

  private static native void stopListener0();

  /**
   * Whether the listener runs.
   *
   * @return true between {@link #startListener()} and {@link #stopListener()}
   */
  public static boolean listening() {
    SimLibraries.requirePlatform();
    return listening0();
  }

  private static native boolean listening0();

  /**
   * Control packets received since the listener was last started.
   *
   * @return the count
   */
  public static long packetsReceived() {
    SimLibraries.requirePlatform();
    return packetsReceived0();
  }

  private static native long packetsReceived0();

  /**
   * Control byte (byte 3) of the last packet received; bit 0x04 is "enabled".
   *
   * @return 0 to 255, or -1 before any packet since the listener was started
   */
  public static int lastControl() {
    SimLibraries.requirePlatform();
    return lastControl0();
  }

  private static native int lastControl0();
}
