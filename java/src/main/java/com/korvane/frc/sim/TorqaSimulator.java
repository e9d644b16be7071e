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
    NONE,
    DISABLED,
    ENABLED
  }

  /** What a motor was last told to do. */
  public enum Mode {
    OFF,
    SPEED,
    VELOCITY,
    DISTANCE,
    ANGLE,
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
    public final Mode mode;
    /** Last open-loop output, -1.0 to 1.0. */
    public final double speed;
    public final double targetRpm;
    public final int targetDistance;
    public final double targetAngle;
    public final boolean positionHold;
    public final double currentLimit;
    public final boolean currentLimitOn;
    /** -1 before any PID-type command. */
    public final int pidType;
    /** -1 before any sensitivity command. */
    public final int sensitivity;
    public final int resolution;
    /** -1 before any configure frame. */
    public final int frequency;
    public final int autotunes;
    public final double rpm;
    /** The RPM the motor is driven towards now (0 while outputs are disabled). */
    public final double commandedRpm;
    public final double encoderCount;
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

  /** Puts a controller with this CAN device number on the bus. */
  public static TorqaSimulator attach(int deviceNumber) {
    return new TorqaSimulator(attach0(deviceNumber));
  }

  public synchronized Heartbeat heartbeat() {
    return Heartbeat.values()[heartbeat(id)];
  }

  public synchronized boolean outputsEnabled() {
    return outputsEnabled(id);
  }

  /** Heartbeats received over the last second. */
  public synchronized double heartbeatRate() {
    return heartbeatRate(id);
  }

  public synchronized long heartbeatCount() {
    return heartbeatCount(id);
  }

  /** Frequency from the motor's last configure frame, -1 before any. */
  public synchronized int motorFrequency(int motor) {
    return motorFrequency(id, motor);
  }

  /** One motor's state (motor 0 to 3). */
  public synchronized MotorState motor(int motor) {
    return new MotorState(motorState(id, motor));
  }

  /** The last stop mode commanded. */
  public synchronized int stopMode() {
    return counter(id, 0);
  }

  /** The last CAN sensor delay commanded, -1 before any. */
  public synchronized int canSensorDelay() {
    return counter(id, 1);
  }

  public synchronized int infoRequestCount() {
    return counter(id, 2);
  }

  public synchronized int serialRequestCount() {
    return counter(id, 3);
  }

  /** The 8-byte info record it answers with (byte 0 device number, 1-3 firmware, 4-5 hardware). */
  public synchronized void setInfoRecord(int... record) {
    byte[] bytes = new byte[8];
    for (int i = 0; i < Math.min(record.length, 8); i++) {
      bytes[i] = (byte) record[i];
    }
    setInfoRecord(id, bytes);
  }

  public synchronized void setInfoReply(InfoReply reply) {
    setInfoReply(id, reply.ordinal());
  }

  public synchronized void setSerialNumber(int word1, int word2, int word3) {
    setSerialNumber(id, word1, word2, word3);
  }

  /** Whether it answers the serial-number request at all. */
  public synchronized void setSerialAnswers(boolean answers) {
    setSerialAnswers(id, answers);
  }

  /** Sets one of a motor's limit switches (which: 0 first, 1 second). */
  public synchronized void setLimitSwitch(int motor, int which, boolean closed) {
    setLimitSwitch(id, motor, which, closed);
  }

  /** Sets a motor's Orvix absolute-encoder position, 0 to 360. */
  public synchronized void setOrvixPosition(int motor, double degrees) {
    setOrvixPosition(id, motor, degrees);
  }

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

  private static native long attach0(int deviceNumber);

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
