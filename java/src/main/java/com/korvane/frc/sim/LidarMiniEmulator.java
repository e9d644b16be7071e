package com.korvane.frc.sim;

/**
 * A simulated T-mini Plus mini LiDAR on a pseudo-terminal at 230400 baud. It answers the info and
 * health queries with settable values, starts and stops scanning on command, steps its frequency
 * within 6 to 12 Hz, and streams revolutions of 4000 samples a second of a virtual room, each
 * beginning with a start packet. {@link #plugIn()} makes it the first USB serial device that the
 * driver finds, so {@code new LidarMini(SerialPort.ONBOARD)} opens it. All methods are thread-safe.
 */
public final class LidarMiniEmulator extends PtyEmulator {
  private LidarMiniEmulator(long id) {
    super(id, LidarMiniEmulator::path, LidarMiniEmulator::hangUp, LidarMiniEmulator::stop);
  }

  /**
   * Starts a LiDAR on a new pseudo-terminal, not scanning, at 6 Hz.
   *
   * @return the running LiDAR, which the caller closes
   * @throws IllegalStateException when no pseudo-terminal can be made
   */
  public static LidarMiniEmulator start() {
    SimLibraries.requireSimulators();
    return new LidarMiniEmulator(started(start0(), "mini LiDAR"));
  }

  /**
   * Links the terminal as ttyUSB0 in a folder of its own and makes that the folder in which the
   * driver looks for USB serial devices, until {@link #close()} or {@link #hangUp()}.
   *
   * @throws IllegalStateException when the link cannot be made
   */
  public synchronized void plugIn() {
    if (!plugIn(id())) {
      throw new IllegalStateException("the emulated mini LiDAR could not be linked as ttyUSB0");
    }
  }

  /**
   * Sets the info answer (at first model 150, firmware 0x010A, hardware 2, serial all zero).
   *
   * @param model the model, low 8 bits
   * @param firmware the firmware version, low 16 bits
   * @param hardware the hardware version, low 8 bits
   * @param serial the serial number; its first 16 bytes are sent, padded with zeros
   */
  public synchronized void setInfo(int model, int firmware, int hardware, byte[] serial) {
    setInfo(id(), model, firmware, hardware, serial);
  }

  /**
   * Sets the health answer (at first both 0).
   *
   * @param status the status, low 8 bits
   * @param errorCode the error code, low 16 bits
   */
  public synchronized void setHealth(int status, int errorCode) {
    setHealth(id(), status, errorCode);
  }

  /**
   * Makes the LiDAR silent or not; a silent LiDAR answers nothing and streams nothing, but still
   * obeys commands.
   *
   * @param silent true to send nothing
   */
  public synchronized void setSilent(boolean silent) {
    setSilent(id(), silent);
  }

  /**
   * Sends, or stops sending, bytes that begin no packet before every packet.
   *
   * @param garbage true to send them
   */
  public synchronized void setGarbage(boolean garbage) {
    setGarbage(id(), garbage);
  }

  /**
   * Whether the LiDAR scans, as the last start or stop command left it.
   *
   * @return true while scanning; false once closed
   */
  public synchronized boolean isScanning() {
    return isScanning(id());
  }

  /**
   * The scan frequency, as the frequency commands left it.
   *
   * @return tenths of a hertz, 60 to 120; -1 once closed
   */
  public synchronized int frequencyTenthsHz() {
    return frequencyTenthsHz(id());
  }

  /**
   * Samples in each revolution at the present frequency.
   *
   * @return 4000 samples a second divided by the frequency; -1 once closed
   */
  public synchronized int pointsPerRevolution() {
    return pointsPerRevolution(id());
  }

  /**
   * Revolutions whose start packet has been sent so far.
   *
   * @return the count; 0 once closed
   */
  public synchronized long revolutionsSent() {
    return revolutionsSent(id());
  }

  private static native long start0();

  private static native String path(long id);

  private static native boolean plugIn(long id);

  private static native void stop(long id);

  private static native void hangUp(long id);

  private static native void setInfo(
      long id, int model, int firmware, int hardware, byte[] serial);

  private static native void setHealth(long id, int status, int errorCode);

  private static native void setSilent(long id, boolean silent);

  private static native void setGarbage(long id, boolean garbage);

  private static native boolean isScanning(long id);

  private static native int frequencyTenthsHz(long id);

  private static native int pointsPerRevolution(long id);

  private static native long revolutionsSent(long id);
}
