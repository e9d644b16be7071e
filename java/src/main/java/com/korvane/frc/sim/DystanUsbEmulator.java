package com.korvane.frc.sim;

/**
 * A simulated Dystan distance sensor on USB: a pseudo-terminal whose {@link #path()} a robot
 * program opens as the sensor's serial device. It answers "GETCONFIG" with a text line, obeys
 * "VERBOSE,", "DATAFORMAT,BIN" and "ODR," and streams at its output rate (never faster than 115200
 * baud allows): text lines at first, binary scan frames once switched. It can send garbage
 * between frames and hang up like an unplugged device. All methods are thread-safe.
 */
public final class DystanUsbEmulator extends PtyEmulator {
  private DystanUsbEmulator(long id) {
    super(id, DystanUsbEmulator::path, DystanUsbEmulator::hangUp, DystanUsbEmulator::stop);
  }

  /**
   * Starts a sensor on a new pseudo-terminal.
   *
   * @param outputRate scans a second, clamped to 0..1000; 0 streams as fast as the line rate
   *     allows
   * @param binary whether it already streams binary frames (as left by an earlier session)
   * @return the running sensor, which the caller closes
   * @throws IllegalStateException when no pseudo-terminal can be made
   */
  public static DystanUsbEmulator start(int outputRate, boolean binary) {
    SimLibraries.requireSimulators();
    return new DystanUsbEmulator(started(start0(outputRate, binary), "distance sensor"));
  }

  /**
   * Distances of the next scans.
   *
   * @param distances millimetres, each sent as its low 16 bits (signed); at most 255 are used
   */
  public synchronized void setDistances(int... distances) {
    setDistances(id(), distances);
  }

  /**
   * Starts or stops streaming; a sensor that does not stream sends only replies and what {@link
   * #send(byte[])} gives it.
   *
   * @param on true to stream
   */
  public synchronized void setStreaming(boolean on) {
    setStreaming(id(), on);
  }

  /**
   * Bytes sent before every streamed scan.
   *
   * @param bytes the bytes; empty for none
   */
  public synchronized void setGarbage(byte[] bytes) {
    setGarbage(id(), bytes);
  }

  /**
   * Sets the line that answers "GETCONFIG" (at first "VERSION=3 DISTANCE=1 CANFD=0 CANBRS=0
   * CANID=0").
   *
   * @param line the reply without its line end; empty or null for no answer
   */
  public synchronized void setConfigReply(String line) {
    setConfigReply(id(), line);
  }

  /**
   * Sends the bytes to the robot program now, as they are.
   *
   * @param bytes the bytes to send
   * @return false when bytes is null, they could not all be sent within a second, the sensor has
   *     hung up or is closed
   */
  public synchronized boolean send(byte[] bytes) {
    return send(id(), bytes);
  }

  /**
   * Whether the sensor streams binary scan frames ("DATAFORMAT,BIN") rather than text lines.
   *
   * @return true in the binary format; false in the text format or once closed
   */
  public synchronized boolean binary() {
    return binary(id());
  }

  /**
   * The output rate, as started or as the last "ODR," command above 0 set it.
   *
   * @return scans a second, 0 to 1000; -1 once closed
   */
  public synchronized int outputRate() {
    return outputRate(id());
  }

  /**
   * Lines received from the robot program, without their line ends, oldest first.
   *
   * @return the lines; empty once closed
   */
  public synchronized String[] commands() {
    return commands(id());
  }

  /**
   * Scans streamed so far; bytes given to {@link #send(byte[])} are not counted.
   *
   * @return the count; 0 once closed
   */
  public synchronized long scansSent() {
    return scansSent(id());
  }

  private static native long start0(int outputRate, boolean binary);

  private static native String path(long id);

  private static native void stop(long id);

  private static native void hangUp(long id);

  private static native void setDistances(long id, int[] distances);

  private static native void setStreaming(long id, boolean on);

  private static native void setGarbage(long id, byte[] bytes);

  private static native void setConfigReply(long id, String line);

  private static native boolean send(long id, byte[] bytes);

  private static native boolean binary(long id);

  private static native int outputRate(long id);

  private static native String[] commands(long id);

  private static native long scansSent(long id);
}
