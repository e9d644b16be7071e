package com.korvane.frc.sim;

/**
 * A simulated Dystan distance sensor on the simulated CAN bus. It publishes a scan of 64 distances
 * as 22 chunk frames at its scan rate with a rising 8-bit sequence number, answers the
 * configuration request, can leave chunks out and can fall silent. All methods are thread-safe.
 */
public final class DystanSimulator implements AutoCloseable {
  static {
    SimLibraries.loadSimulators();
  }

  private long id;

  private DystanSimulator(long id) {
    this.id = id;
  }

  /**
   * Puts a sensor on CAN bus 0; it stays until {@link #close()}.
   *
   * @param canId the sensor's CAN ID, 0 to 63 (low 6 bits), which its frames carry
   * @param scansPerSecond scans published a second; 0 for none until {@link #setScanRate}
   * @return the sensor
   */
  public static DystanSimulator attach(int canId, int scansPerSecond) {
    return attach(0, canId, scansPerSecond);
  }

  /**
   * Puts a sensor on a CAN bus; it hears and answers only frames on that bus.
   *
   * @param bus the CAN bus, from 0
   * @param canId the sensor's CAN ID, 0 to 63 (low 6 bits), which its frames carry
   * @param scansPerSecond scans published a second; 0 for none until {@link #setScanRate}
   * @return the sensor
   */
  public static DystanSimulator attach(int bus, int canId, int scansPerSecond) {
    SimLibraries.requireSimulators();
    return new DystanSimulator(attach0(bus, canId, scansPerSecond));
  }

  /**
   * Distances of the next scans (at first 1000, 1010, ... 1630).
   *
   * @param distances millimetres, each sent as its low 16 bits (signed); at most 64 are used and
   *     later positions carry 0
   */
  public synchronized void setDistances(int... distances) {
    setDistances(id, distances);
  }

  /**
   * Changes the scan rate; the next scan follows one new period from now.
   *
   * @param scansPerSecond scans a second; 0 or less for none
   */
  public synchronized void setScanRate(int scansPerSecond) {
    setScanRate(id, scansPerSecond);
  }

  /**
   * Chunks left out of every scan from now on, replacing those given before.
   *
   * @param chunks chunk numbers, 0 to 21; none to send every chunk
   */
  public synchronized void setDroppedChunks(int... chunks) {
    setDroppedChunks(id, chunks);
  }

  /**
   * Makes the sensor silent or not; a silent sensor sends neither scans nor configuration replies
   * but still counts the requests.
   *
   * @param silent true to send nothing
   */
  public synchronized void setSilent(boolean silent) {
    setSilent(id, silent);
  }

  /**
   * Sets the reply to configuration requests (at first version 1, distance on, the rest off, the
   * sensor's own CAN ID).
   *
   * @param version the configuration's version number, low 8 bits
   * @param distance whether distances are reported enabled
   * @param canFd whether CAN FD is reported on
   * @param canBrs whether CAN FD bit-rate switching is reported on
   * @param reportedCanId the CAN ID the reply names, low 8 bits
   */
  public synchronized void setConfig(
      int version, boolean distance, boolean canFd, boolean canBrs, int reportedCanId) {
    setConfig(id, version, distance, canFd, canBrs, reportedCanId);
  }

  /**
   * Sequence number of the last scan published.
   *
   * @return 0 to 255, wrapping; 0 before any scan or once closed
   */
  public synchronized int sequence() {
    return sequence(id);
  }

  /**
   * Scans published so far.
   *
   * @return the count; 0 once closed
   */
  public synchronized long scansPublished() {
    return scansPublished(id);
  }

  /**
   * Configuration requests received so far, answered or not.
   *
   * @return the count; 0 once closed
   */
  public synchronized int configRequests() {
    return configRequests(id);
  }

  /** Takes the sensor off the bus. */
  @Override
  public synchronized void close() {
    if (id != 0) {
      detach(id);
      id = 0;
    }
  }

  private static native long attach0(int bus, int canId, int scansPerSecond);

  private static native void detach(long id);

  private static native void setDistances(long id, int[] distances);

  private static native void setScanRate(long id, int scansPerSecond);

  private static native void setDroppedChunks(long id, int[] chunks);

  private static native void setSilent(long id, boolean silent);

  private static native void setConfig(
      long id, int version, boolean distance, boolean canFd, boolean canBrs, int canId);

  private static native int sequence(long id);

  private static native long scansPublished(long id);

  private static native int configRequests(long id);
}
