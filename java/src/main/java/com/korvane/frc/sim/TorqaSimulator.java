package com.korvane.frc.sim;

/**
 * A simulated Torqa motor controller on the simulated CAN bus.
 *
 * <p>It follows the heartbeat: its outputs are enabled only while enabled heartbeats keep coming,
 * at most 250 ms apart, and every motor stops otherwise. It decodes every command into per-motor
 * state and every 20 ms publishes its status frames from a first-order motor model (RPM follows
 * the commanded speed or target with a 100 ms time constant; full output is {@link
 * #FREE_SPEED_RPM}): frequency, temperature, RPM and target RPM, encoder counts integrating the
 * RPM, and the limit switches and Orvix positions set here. It answers the info request with a
 * configurable record and the serial-number request with three words.
 *
 * <p>All methods are thread-safe.
 */
public final class TorqaSimulator implements AutoCloseable {
  static {
    SimLibraries.loadSimulators();
  }

  /** RPM of a motor at full output. */
  public static final double FREE_SPEED_RPM = 6000.0;

  /** The heartbeat as the controller sees it. */
  public enum Heartbeat {
    /** No heartbeat for 250 ms, or none yet. */
    NONE,
    /** The last heartbeat said the robot is disabled. */
    DISABLED,
    /** The last heartbeat said the robot is enabled. */
    ENABLED
  }

  /** What a motor was last told to do. */
  public enum Mode {
    /** Not driven: nothing commanded yet, disabled, or released from a hold. */
    OFF,
    /** Open-loop output. */
    SPEED,
    /** Closed-loop velocity target. */
    VELOCITY,
    /** Closed-loop distance target. */
    DISTANCE,
    /** Closed-loop angle target. */
    ANGLE,
    /** Holding its position. */
    HOLD
  }

  /** How the controller answers the info request. */
  public enum InfoReply {
    /** With the configured record. */
    RECORD,
    /** Not at all. */
    SILENT,
    /** With the record, but device number 0 in byte 0. */
    ZERO_DEVICE_NUMBER
  }

  /** A snapshot of one motor. */
  public static final class MotorState {
    /** What the motor was last told to do. */
    public final Mode mode;

    /** Last open-loop output, -1.0 to 1.0. */
    public final double speed;

    /** Last velocity target, in RPM. */
    public final double targetRpm;

    /** Last distance target, in encoder counts (24 bits, signed). */
    public final int targetDistance;

    /** Last angle target, in degrees. */
    public final double targetAngle;

    /** Whether the motor holds its position. */
    public final boolean positionHold;

    /** Last current limit, in amperes. */
    public final double currentLimit;

    /** Whether the current limit is switched on. */
    public final boolean currentLimitOn;

    /** -1 before any PID-type command. */
    public final int pidType;

    /** -1 before any sensitivity command. */
    public final int sensitivity;

    /** Encoder counts per revolution; 2048 until commanded. */
    public final int resolution;

    /** -1 before any configure frame. */
    public final int frequency;

    /** Autotune commands that reached this motor, one-motor and all-motor ones alike. */
    public final int autotunes;

    /** The modelled speed, in RPM. */
    public final double rpm;

    /** The RPM the motor is driven towards now (0 while outputs are disabled). */
    public final double commandedRpm;

    /** The modelled encoder count, integrating the RPM at the encoder resolution. */
    public final double encoderCount;

    /** The Orvix absolute-encoder position set here, 0 to 360. */
    public final double orvixPosition;

    MotorState(double[] v) {
      mode = Mode.values()[(int) v[0]];
      speed = v[1];
      targetRpm = v[2];
      targetDistance = (int) v[3];
      targetAngle = v[4];
      positionHold = v[5] != 0;
      currentLimit = v[6];
      currentLimitOn = v[7] != 0;
      pidType = (int) v[8];
      sensitivity = (int) v[9];
      resolution = (int) v[10];
      frequency = (int) v[11];
      autotunes = (int) v[12];
      rpm = v[13];
      commandedRpm = v[14];
      encoderCount = v[15];
      orvixPosition = v[16];
    }
  }

  private long id;

  private TorqaSimulator(long id) {
    this.id = id;
  }

  /**
   * Puts a controller on CAN bus 0; it stays until {@link #close()}. Its info record names the
   * device number, firmware 1.4.2, hardware Torqa Quad version 3.
   *
   * @param deviceNumber its CAN device number, 1 to 63
   * @return the controller
   */
  public static TorqaSimulator attach(int deviceNumber) {
    return attach(0, deviceNumber);
  }

  /**
   * Puts a controller on a CAN bus; it hears and answers only frames on that bus.
   *
   * @param bus the CAN bus, from 0
   * @param deviceNumber its CAN device number, 1 to 63
   * @return the controller
   */
  public static TorqaSimulator attach(int bus, int deviceNumber) {
    SimLibraries.requireSimulators();
    return new TorqaSimulator(attach0(bus, deviceNumber));
  }

  /**
   * The heartbeat as the controller sees it now.
   *
   * @return the last heartbeat's kind, or {@link Heartbeat#NONE} when none came for 250 ms (or
   *     once closed)
   */
  public synchronized Heartbeat heartbeat() {
    return Heartbeat.values()[heartbeat(id)];
  }

  /**
   * Whether the motors may run.
   *
   * @return true while enabled heartbeats keep coming, at most 250 ms apart; false once closed
   */
  public synchronized boolean outputsEnabled() {
    return outputsEnabled(id);
  }

  /**
   * Heartbeats received over the last second.
   *
   * @return the count, about 10 while the library's heartbeat runs; 0 once closed
   */
  public synchronized double heartbeatRate() {
    return heartbeatRate(id);
  }

  /**
   * Heartbeats received in all.
   *
   * @return the count; 0 once closed
   */
  public synchronized long heartbeatCount() {
    return heartbeatCount(id);
  }

  /**
   * The motor frequency from a motor's last configure frame.
   *
   * @param motor 0 to 3
   * @return Hz; -1 before any configure frame, for another motor or once closed
   */
  public synchronized int motorFrequency(int motor) {
    return motorFrequency(id, motor);
  }

  /**
   * A snapshot of one motor's state.
   *
   * @param motor 0 to 3
   * @return the state; a motor's state at start for another index or once closed
   */
  public synchronized MotorState motor(int motor) {
    return new MotorState(motorState(id, motor));
  }

  /**
   * The last stop mode commanded.
   *
   * @return the mode byte, 0 before any; -1 once closed
   */
  public synchronized int stopMode() {
    return counter(id, 0);
  }

  /**
   * The last CAN sensor delay commanded.
   *
   * @return the delay; -1 before any or once closed
   */
  public synchronized int canSensorDelay() {
    return counter(id, 1);
  }

  /**
   * Info requests received, answered or not.
   *
   * @return the count; -1 once closed
   */
  public synchronized int infoRequestCount() {
    return counter(id, 2);
  }

  /**
   * Serial-number requests received, answered or not.
   *
   * @return the count; -1 once closed
   */
  public synchronized int serialRequestCount() {
    return counter(id, 3);
  }

  /**
   * Sets the 8-byte info record it answers with.
   *
   * @param record byte 0 device number, 1-3 firmware, 4 model (1 Quad, 2 Small), 5 hardware
   *     version; each value's low 8 bits, missing bytes 0, only the first 8 used
   */
  public synchronized void setInfoRecord(int... record) {
    byte[] bytes = new byte[8];
    for (int i = 0; i < Math.min(record.length, 8); i++) {
      bytes[i] = (byte) record[i];
    }
    setInfoRecord(id, bytes);
  }

  /**
   * Sets how it answers the info request ({@link InfoReply#RECORD} at first).
   *
   * @param reply the way to answer
   */
  public synchronized void setInfoReply(InfoReply reply) {
    setInfoReply(id, reply.ordinal());
  }

  /**
   * Sets the three words it answers the serial-number request with (at first 0x4B560000 plus the
   * device number, 1, 0x20260001).
   *
   * @param word1 the first word, as 32 unsigned bits
   * @param word2 the second word
   * @param word3 the third word
   */
  public synchronized void setSerialNumber(int word1, int word2, int word3) {
    setSerialNumber(id, word1, word2, word3);
  }

  /**
   * Sets whether it answers the serial-number request at all (it does at first).
   *
   * @param answers false to leave requests unanswered
   */
  public synchronized void setSerialAnswers(boolean answers) {
    setSerialAnswers(id, answers);
  }

  /**
   * Sets one of a motor's limit switches, as the status frames report it.
   *
   * @param motor 0 to 3; others are ignored
   * @param which 0 for the first switch, 1 for the second; others are ignored
   * @param closed whether the switch is closed
   */
  public synchronized void setLimitSwitch(int motor, int which, boolean closed) {
    setLimitSwitch(id, motor, which, closed);
  }

  /**
   * Sets a motor's Orvix absolute-encoder position, as the status frames report it.
   *
   * @param motor 0 to 3; others are ignored
   * @param degrees 0 to 360, clamped; a value that is not finite is ignored
   */
  public synchronized void setOrvixPosition(int motor, double degrees) {
    setOrvixPosition(id, motor, degrees);
  }

  /**
   * Sets the temperature the status frames report (31.5 at first).
   *
   * @param celsius degrees Celsius; a value that is not finite is ignored
   */
  public synchronized void setTemperature(double celsius) {
    setTemperature(id, celsius);
  }

  /** Takes the controller off the bus. */
  @Override
  public synchronized void close() {
    if (id != 0) {
      detach(id);
      id = 0;
    }
  }

  private static native long attach0(int bus, int deviceNumber);

  private static native void detach(long id);

  private static native int heartbeat(long id);

  private static native boolean outputsEnabled(long id);

  private static native double heartbeatRate(long id);

  private static native long heartbeatCount(long id);

  private static native int motorFrequency(long id, int motor);

  private static native double[] motorState(long id, int motor);

  private static native int counter(long id, int which);

  private static native void setInfoRecord(long id, byte[] record);

  private static native void setInfoReply(long id, int reply);

  private static native void setSerialNumber(long id, int word1, int word2, int word3);

  private static native void setSerialAnswers(long id, boolean answers);

  private static native void setLimitSwitch(long id, int motor, int which, boolean closed);

  private static native void setOrvixPosition(long id, int motor, double degrees);

  private static native void setTemperature(long id, double celsius);
}
