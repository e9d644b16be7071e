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

  /**
   * Puts a sensor on CAN bus 0, publishing colour frames; it stays until {@link #close()}.
   *
   * @return the sensor
   */
  public static KromelSimulator attach() {
    return attach(0);
  }

  /**
   * Puts a sensor on a CAN bus, publishing colour frames; it hears and answers only frames on
   * that bus.
   *
   * @param bus the CAN bus, from 0
   * @return the sensor
   */
  public static KromelSimulator attach(int bus) {
    SimLibraries.requireSimulators();
    return new KromelSimulator(attach0(bus, true));
  }

  /**
   * Puts a sensor on the bus that publishes colour frames only once told to.
   *
   * @return the sensor, not publishing until {@link #setPublishing(boolean) setPublishing(true)}
   */
  public static KromelSimulator attachQuiet() {
    SimLibraries.requireSimulators();
    return new KromelSimulator(attach0(0, false));
  }

  /**
   * The colour the next frames carry; each channel is sent in ten-thousandths, limited to
   * -3.2768..3.2767.
   *
   * @param x the first channel
   * @param y the second channel
   * @param z the third channel
   */
  public synchronized void setColor(float x, float y, float z) {
    setColor(id, x, y, z);
  }

  /**
   * Starts or stops publishing colour frames.
   *
   * @param on true to publish one every sample time
   */
  public synchronized void setPublishing(boolean on) {
    setPublishing(id, on);
  }

  /**
   * Sets the status byte of every acknowledgement.
   *
   * @param status 0 accepts, any other refuses; the low 8 bits are used
   */
  public synchronized void setAckStatus(int status) {
    setAckStatus(id, status);
  }

  /**
   * Sets the answer to configuration requests for one key; unknown keys are answered with 0.
   *
   * @param key the key, 0..255 (the low 8 bits are used)
   * @param value the answer, 0..2^32-1 (the low 32 bits are used)
   */
  public synchronized void setConfigValue(int key, long value) {
    setConfigValue(id, key, value);
  }

  /**
   * Makes the sensor silent or not; a silent sensor records commands but acknowledges nothing.
   *
   * @param silent true to acknowledge nothing
   */
  public synchronized void setSilent(boolean silent) {
    setSilent(id, silent);
  }

  /**
   * Commands received so far, acknowledged or not.
   *
   * @return the count; 0 once closed
   */
  public synchronized int commandCount() {
    return commandCount(id);
  }

  /**
   * Sequence number of the last colour frame published.
   *
   * @return 0 to 65535, wrapping; 0 before any frame or once closed
   */
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

  private static native long attach0(int bus, boolean publishing);

  private static native void detach(long id);

  private static native void setColor(long id, float x, float y, float z);

  private static native void setPublishing(long id, boolean on);

  private static native void setAckStatus(long id, int status);

  private static native void setConfigValue(long id, int key, long value);

  private static native void setSilent(long id, boolean silent);

  private static native int commandCount(long id);

  private static native int sequence(long id);
}
