package com.korvane.frc;

/**
 * A device's health at one moment, as every device class reports it with {@code getFaults()}:
 * whether it is heard from, how old its newest data is, and its failed calls by kind, counted
 * since the device was opened. A device is heard from while its data arrives within its timeout
 * (each class states its own) and its port, if it has one, has not hung up.
 *
 * <p>Each change of health (nothing heard after opening, falling silent, a hang-up, heard again,
 * sends starting or stopping to fail, a port that cannot be opened) is also reported once to the
 * driver station, whose log shows it with the device's class and ID, port or path.
 */
public final class DeviceFaults {
  /** Whether the device is heard from. */
  public boolean connected;

  /** Milliseconds since its newest data arrived; -1 before any. */
  public long dataAgeMs = -1;

  /** Failed sends and writes to the device. */
  public long sendFailures;

  /** Failed receives and reads from the device. */
  public long receiveFailures;

  /** Failed attempts to open (or reopen) its port. */
  public long openFailures;

  /** An empty record (not connected, no data, no failures), filled by the driver. */
  public DeviceFaults() {}

  /**
   * All failed calls.
   *
   * @return the sum of the three counts
   */
  public long failures() {
    return sendFailures + receiveFailures + openFailures;
  }

  @Override
  public String toString() {
    return (connected ? "connected" : "not connected")
        + ", data age "
        + (dataAgeMs < 0 ? "none" : dataAgeMs + " ms")
        + ", failed sends "
        + sendFailures
        + ", receives "
        + receiveFailures
        + ", opens "
        + openFailures;
  }
}
