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

  /** Puts a sensor with this CAN ID on the bus, publishing scansPerSecond scans (0: none). */
  public static DystanSimulator attach(int canId, int scansPerSecond) {
    return new DystanSimulator(attach0(canId, scansPerSecond));
  }

  /** Distances of the next scans (at most 64; later positions carry 0). */
  public synchronized void setDistances(int... distances) {
    setDistances(id, distances);
  }

  public synchronized void setScanRate(int scansPerSecond) {
    setScanRate(id, scansPerSecond);
  }

  /** Chunks (0..21) left out of every scan from now on. */
  public synchronized void setDroppedChunks(int... chunks) {
    setDroppedChunks(id, chunks);
  }

  /** A silent sensor sends neither scans nor configuration replies. */
  public synchronized void setSilent(boolean silent) {
    setSilent(id, silent);
  }

  /** The configuration reply. */
  public synchronized void setConfig(
      int version, boolean distance, boolean canFd, boolean canBrs, int reportedCanId) {
    setConfig(id, version, distance, canFd, canBrs, reportedCanId);
  }

  /** Sequence number of the last scan published. */
  public synchronized int sequence() {
    return sequence(id);
  }

  public synchronized long scansPublished() {
    return scansPublished(id);
  }

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

  private static native long attach0(int canId, int scansPerSecond);

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
