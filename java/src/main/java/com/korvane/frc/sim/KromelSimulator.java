package com.korvane.frc.sim;

/**
 * A simulated Kromel colour sensor on the simulated CAN bus. It acknowledges commands (with a
 * settable status; configuration requests are answered per key), can be made silent, and
 * publishes a colour frame every sample time (20 ms at first). All methods are thread-safe.
 */
public final class KromelSimulator implements AutoCloseable {
  static {
    SimLibraries.loadSimulators();
  }

  private long id;

  private KromelSimulator(long id) {
    this.id = id;
  }

  /** Puts a sensor on the bus, publishing colour frames. */
  public static KromelSimulator attach() {
    return new KromelSimulator(attach0(true));
  }

  /** Puts a sensor on the bus that publishes colour frames only once told to. */
  public static KromelSimulator attachQuiet() {
    return new KromelSimulator(attach0(false));
  }

  public synchronized void setColor(float x, float y, float z) {
    setColor(id, x, y, z);
  }

  public synchronized void setPublishing(boolean on) {
    setPublishing(id, on);
  }

  /** Status byte of every acknowledgement; 0 accepts. */
  public synchronized void setAckStatus(int status) {
    setAckStatus(id, status);
  }

  /** The answer to configuration requests for this key (0..255). */
  public synchronized void setConfigValue(int key, long value) {
    setConfigValue(id, key, value);
  }

  /** A silent sensor acknowledges nothing. */
  public synchronized void setSilent(boolean silent) {
    setSilent(id, silent);
  }

  /** Commands received so far. */
  public synchronized int commandCount() {
    return commandCount(id);
  }

  /** Sequence number of the last colour frame published. */
  public synchronized int sequence() {
    return sequence(id);
  }

  /** Takes the sensor off the bus. */
  @Override
  public synchronized void close() {
    if (id != 0) {
      detach(id);
      id = 0;
    }
  }

  private static native long attach0(boolean publishing);

  private static native void detach(long id);

  private static native void setColor(long id, float x, float y, float z);

  private static native void setPublishing(long id, boolean on);

  private static native void setAckStatus(long id, int status);

  private static native void setConfigValue(long id, int key, long value);

  private static native void setSilent(long id, boolean silent);

  private static native int commandCount(long id);

  private static native int sequence(long id);
}
