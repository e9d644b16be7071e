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
   * @return the running LiDAR, which the caller closes
   * @throws IllegalStateException when no pseudo-terminal can be made
   */
  public static LidarRoomEmulator start(int seed, boolean streaming) {
    SimLibraries.requireSimulators();
    return new LidarRoomEmulator(started(start0(seed, streaming), "LiDAR"));
  }

  /**
   * The distance the room shows from the LiDAR at an angle, without noise: where a ray first
   * meets a wall or the box.
   *
   * @param degrees the angle; 0 points along the room's 6 m length, 90 along its 4 m width
   * @return millimetres
   */
  public static double distanceAt(double degrees) {
    SimLibraries.requireSimulators();
    return distanceAt0(degrees);
  }

  private static native double distanceAt0(double degrees);

  /**
   * Sets the noise added to every distance (none at first).
   *
   * @param sigmaMm standard deviation in millimetres; 0 for none
   */
  public synchronized void setNoise(double sigmaMm) {
    setNoise(id(), sigmaMm);
  }

  /**
   * Sets how many samples come back empty, as distance 0 (none at first).
   *
   * @param fraction 0 to 1
   */
  public synchronized void setDropoutRate(double fraction) {
    setDropoutRate(id(), fraction);
  }

  /**
   * A LiDAR that does not stream sends only what {@link #send(byte[])} gives it (it stops at the
   * end of the revolution it is sending).
   *
   * @param on true to stream
   */
  public synchronized void setStreaming(boolean on) {
    setStreaming(id(), on);
  }

  /**
   * Sends the bytes to the robot program now, as they are.
   *
   * @param bytes the bytes to send
   * @return false when bytes is null, they could not all be sent within a second, the LiDAR has
   *     hung up or is closed
   */
  public synchronized boolean send(byte[] bytes) {
    return send(id(), bytes);
  }

  /**
   * Revolutions sent so far.
   *
   * @return the count; 0 once closed
   */
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
