package com.korvane.frc.sim;

/**
 * A simulated Kromel colour sensor on USB: a pseudo-terminal whose {@link #path()} a robot program
 * opens as the sensor's serial device. It streams "XYZ: x, y, z" lines at its sample time (at the
 * 115200-baud line rate for 0), obeys "COLORFORMAT," and "SAMPLETIME," commands, and can be made
 * to hang up like an unplugged device. All methods are thread-safe.
 */
public final class KromelUsbEmulator extends PtyEmulator {
  private KromelUsbEmulator(long id) {
    super(id, KromelUsbEmulator::path, KromelUsbEmulator::hangUp, KromelUsbEmulator::stop);
  }

  /**
   * Starts a sensor on a new pseudo-terminal, streaming in the XYZ format.
   *
   * @param sampleTimeMs milliseconds between lines, clamped to 0..65535; 0 streams at the line
   *     rate
   * @return the running sensor, which the caller closes
   * @throws IllegalStateException when no pseudo-terminal can be made
   */
  public static KromelUsbEmulator start(int sampleTimeMs) {
    SimLibraries.requireSimulators();
    return new KromelUsbEmulator(started(start0(sampleTimeMs), "colour sensor"));
  }

  /**
   * The colour the next lines carry.
   *
   * @param x the first channel
   * @param y the second channel
   * @param z the third channel
   */
  public synchronized void setColor(float x, float y, float z) {
    setColor(id(), x, y, z);
  }

  /**
   * Starts or stops streaming; a sensor that does not stream sends only what {@link
   * #send(String)} gives it.
   *
   * @param on true to stream
   */
  public synchronized void setStreaming(boolean on) {
    setStreaming(id(), on);
  }

  /**
   * Sends the text to the robot program now, as it is (add "\r\n" for a line).
   *
   * @param text the bytes to send
   * @return false when they could not all be sent within a second, the sensor has hung up or is
   *     closed
   */
  public synchronized boolean send(String text) {
    return send(id(), text);
  }

  /**
   * The colour format the last "COLORFORMAT," command chose.
   *
   * @return "XYZ" (at first), "RGB", "RAW", "SRGB" or "HEX"; null once closed
   */
  public synchronized String colorFormat() {
    return colorFormat(id());
  }

  /**
   * The sample time, as started or as the last "SAMPLETIME," command set it.
   *
   * @return milliseconds, 0 to 65535; -1 once closed
   */
  public synchronized int sampleTimeMs() {
    return sampleTimeMs(id());
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
   * Lines streamed so far; text given to {@link #send(String)} is not counted.
   *
   * @return the count; 0 once closed
   */
  public synchronized long linesSent() {
    return linesSent(id());
  }

  private static native long start0(int sampleTimeMs);

  private static native String path(long id);

  private static native void stop(long id);

  private static native void hangUp(long id);

  private static native void setColor(long id, float x, float y, float z);

  private static native void setStreaming(long id, boolean on);

  private static native boolean send(long id, String text);

  private static native String colorFormat(long id);

  private static native int sampleTimeMs(long id);

  private static native String[] commands(long id);

  private static native long linesSent(long id);
}
