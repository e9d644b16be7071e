package com.korvane.frc.sim;

/**
 * A simulated LiDAR in a 6 m x 4 m room with a box, on a pseudo-terminal: map a HAL serial port
 * to its {@link #path()} with {@link SimSerial#mapPort(int, String)} and open the LiDAR on that
 * port. It turns about 7 times a second, measuring every half degree, and sends its packets at
 * the 115200-baud line rate in bursts that cut them anywhere. Noise and dropouts are settable.
 * All methods are thread-safe.
 */
public final class LidarRoomEmulator extends PtyEmulator {
  private LidarRoomEmulator(long id) {
    super(id, LidarRoomEmulator::path, LidarRoomEmulator::hangUp, LidarRoomEmulator::stop);
  }

  /**
   * Starts a LiDAR on a new pseudo-terminal.
   *
   * @param seed of the noise and dropouts
   * @param streaming false for a LiDAR that sends only what {@link #send(byte[])} gives it
   * @throws IllegalStateException when no pseudo-terminal can be made
   */
  public static LidarRoomEmulator start(int seed, boolean streaming) {
    return new LidarRoomEmulator(started(start0(seed, streaming), "LiDAR"));
  }

  /** The distance (mm) the room shows from the LiDAR at that angle (degrees), without noise. */
  public static native double distanceAt(double degrees);

  /** Standard deviation of the noise added to every distance, in mm. */
  public synchronized void setNoise(double sigmaMm) {
    setNoise(id(), sigmaMm);
  }

  /** Fraction (0..1) of samples that come back empty. */
  public synchronized void setDropoutRate(double fraction) {
    setDropoutRate(id(), fraction);
  }

  /**
   * A LiDAR that does not stream sends only what {@link #send(byte[])} gives it (it stops at the
   * end of the revolution it is sending).
   */
  public synchronized void setStreaming(boolean on) {
    setStreaming(id(), on);
  }

  /** Sends the bytes as they are. */
  public synchronized boolean send(byte[] bytes) {
    return send(id(), bytes);
  }

  /** Revolutions sent so far. */
  public synchronized long revolutions() {
    return revolutions(id());
  }

  private static native long start0(int seed, boolean streaming);

  private static native String path(long id);

  private static native void setNoise(long id, double sigmaMm);

  private static native void setDropoutRate(long id, double fraction);

  private static native void setStreaming(long id, boolean on);

  private static native boolean send(long id, byte[] bytes);

  private static native long revolutions(long id);

  private static native void stop(long id);

  private static native void hangUp(long id);
}
