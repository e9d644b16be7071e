package com.korvane.frc.sim;

import java.util.ArrayList;
import java.util.List;

/**
 * The simulated robot's driver-station link. When started, it listens on UDP 127.0.0.1:1110 and
 * sets the system-active state from each control packet's enabled bit, as the robot's
 * communication layer does; when packets stop for half a second it disables the robot. Only one
 * process on the machine can listen at a time.
 *
 * <p>It also keeps, while asked to, the error reports the robot program and its drivers send to
 * the driver station's log (the HAL's {@code HAL_SendError}): each device reports its changes of
 * health there. All methods are thread-safe.
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

  /** One error report sent to the driver station. */
  public static final class Report {
    /** True for an error, false for a warning. */
    public final boolean isError;

    /** Its code. */
    public final int code;

    /** Where it comes from: a device as "Class[id]". */
    public final String location;

    /** What it says. */
    public final String details;

    Report(boolean isError, int code, String location, String details) {
      this.isError = isError;
      this.code = code;
      this.location = location;
      this.details = details;
    }

    @Override
    public String toString() {
      return (isError ? "error " : "warning ") + code + " at " + location + ": " + details;
    }
  }

  /**
   * Starts keeping every report, from an empty record. Over WPILib's simulation HAL this installs
   * a send-error handler for the time (which prints each report as WPILib does).
   */
  public static void recordReports() {
    SimLibraries.requirePlatform();
    recordReports0();
  }

  private static native void recordReports0();

  /** Stops keeping reports; the record stays until the next {@link #recordReports()}. */
  public static void stopRecordingReports() {
    SimLibraries.requirePlatform();
    stopRecordingReports0();
  }

  private static native void stopRecordingReports0();

  /**
   * The reports kept since {@link #recordReports()}, oldest first.
   *
   * @return a copy of the record
   */
  public static List<Report> reports() {
    SimLibraries.requirePlatform();
    String[] raw = reportsRaw();
    List<Report> reports = new ArrayList<>(raw.length / 4);
    for (int i = 0; i + 3 < raw.length; i += 4) {
      reports.add(
          new Report("E".equals(raw[i]), Integer.parseInt(raw[i + 1]), raw[i + 2], raw[i + 3]));
    }
    return reports;
  }

  // Four strings per report: "E" or "W", the code, the location, the details.
  private static native String[] reportsRaw();

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
