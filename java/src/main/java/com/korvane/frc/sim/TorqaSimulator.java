package com.korvane.frc.sim;

/**
 * A simulated Torqa motor controller on the simulated CAN bus. It follows the heartbeat: its
 * outputs are enabled only while enabled heartbeats keep coming, at most 250 ms apart.
 */
public final class TorqaSimulator implements AutoCloseable {
  static {
    SimLibraries.loadSimulators();
  }

  /** The heartbeat as the controller sees it. */
  public enum Heartbeat {
    NONE,
    DISABLED,
    ENABLED
  }

  private long id;

  private TorqaSimulator(long id) {
    this.id = id;
  }

  /** Puts a controller with this CAN device number on the bus. */
  public static TorqaSimulator attach(int deviceNumber) {
    return new TorqaSimulator(attach0(deviceNumber));
  }

  public synchronized Heartbeat heartbeat() {
    return Heartbeat.values()[heartbeat(id)];
  }

  public synchronized boolean outputsEnabled() {
    return outputsEnabled(id);
  }

  /** Heartbeats received over the last second. */
  public synchronized double heartbeatRate() {
    return heartbeatRate(id);
  }

  public synchronized long heartbeatCount() {
    return heartbeatCount(id);
  }

  /** Frequency from the motor's last configure frame, -1 before any. */
  public synchronized int motorFrequency(int motor) {
    return motorFrequency(id, motor);
  }

  /** Takes the controller off the bus. */
  @Override
  public synchronized void close() {
    if (id != 0) {
      detach(id);
      id = 0;
    }
  }

  private static native long attach0(int deviceNumber);

  private static native void detach(long id);

  private static native int heartbeat(long id);

  private static native boolean outputsEnabled(long id);

  private static native double heartbeatRate(long id);

  private static native long heartbeatCount(long id);

  private static native int motorFrequency(long id, int motor);
}
