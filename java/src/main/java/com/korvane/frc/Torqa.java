package com.korvane.frc;

import com.korvane.frc.jni.TorqaJNI;
import java.util.Optional;
import java.util.OptionalDouble;
import java.util.concurrent.CompletableFuture;

/**
 * A Torqa four-channel motor controller on the robot's CAN bus. Its motors are numbered 0 to 3.
 *
 * <p>Opening it starts the heartbeat that tells the controller every 100 ms whether the robot is
 * enabled; its motors run only while the robot is enabled. Closing any controller stops the
 * heartbeat of every open controller until the next one is opened, so open all controllers once
 * at start-up and close them when the program ends.
 *
 * <p>Commands are sent as one CAN frame each and return at once; the controller does not answer
 * them, and a command whose value is out of range is silently not sent. Telemetry comes from
 * status frames the controller sends by itself: the getters return the latest value (0 before the
 * first frame), the {@code tryGet} forms say whether there was one. Neither ever waits for the
 * bus. Every method taking a motor index throws {@link IllegalArgumentException} for an index
 * other than 0 to 3, before it touches the bus, as WPILib's classes reject a bad channel.
 *
 * <p>Freshness: the controller's status frames (a motor's speed, a motor's encoder count, the limit
 * switches, the Orvix positions, the temperature, a motor's target) are collected from the CAN
 * bus together, at most once per millisecond, and the frequency's frame is read on its own at
 * most once per millisecond. A getter that finds its frame collected or read less than 1 ms ago,
 * by any getter on any thread, decodes that copy instead of reading the bus again, so the reads
 * of one robot loop cost one bus read per controller; a value is therefore at most 1 ms older
 * than the bus's newest frame. {@link #getRPM} and {@link #getEncoderCount} (with {@link
 * #getEncoderRaw} and {@link #getEncoderDistance}) go further: the first of them in a loop reads
 * all four motors' speeds and counts at once, and the others within 1 ms of it take theirs
 * without calling the driver. {@link #getRPM} and {@link #getEncoderSpeed} share a frame, as
 * do {@link #getEncoderCount}, {@link #getEncoderRaw} and {@link #getEncoderDistance}, and every
 * motor's limit switches. The telemetry getters allocate nothing, except the {@code tryGet} forms'
 * results and {@link #getTargetRPMs()} (see {@link #getTargetRPMs(double[])}).
 *
 * <p>Threading: every method may be called from any thread. Commands and telemetry run concurrently
 * with each other; commands wait only while this controller is being closed, telemetry never (a
 * reading racing {@link #close()} returns the "nothing there" value). The identity
 * methods ({@link #getReportedDeviceId()}, {@link #getFirmwareVersion()}, {@link
 * #getHardwareVersion()}, {@link #getSerialNumber()}) block their caller (about 50 ms the first
 * time, up to about 1.1 s while the controller does not answer, 10 ms for the serial number) and
 * run one at a time per controller; from the 20 ms loop use their {@code ...Async} forms,
 * which return at once and run on the library's executor, one at a time per controller in the order
 * they were made. A blocking call does not wait for asynchronous calls queued before it. Opening
 * returns at once; {@link #close()} blocks up to one heartbeat period (100 ms). After {@link
 * #close()} commands do nothing and getters return their "nothing there" value; {@code close} may
 * be called from any thread, more than once.
 */
public class Torqa implements AutoCloseable {
  /** Highest motor frequency the controller takes. */
  public static final int MAX_FREQUENCY = 20000;

  /** Number of motor channels. */
  public static final int MOTORS = 4;

  /** The highest CAN device number. */
  public static final int MAX_DEVICE_ID = 63;

  /** The controller's closed-loop PID types; their meaning is the controller firmware's. */
  public enum PIDType {
    /** Firmware PID type 0. */
    TYPE_0(0),
    /** Firmware PID type 1. */
    TYPE_1(1),
    /** Firmware PID type 2. */
    TYPE_2(2);

    private final int value;

    PIDType(int value) {
      this.value = value;
    }
  }

  private final int bus;
  private final int deviceId;
  // Read and written from any thread: a reader sees the old or the new scale, both whole doubles.
  private final double[] distancePerTick = {1.0, 1.0, 1.0, 1.0};
  private final DeviceGuard guard;
  private final MotorTelemetry motors = new MotorTelemetry();

  /**
   * Opens the controller on CAN bus 0 and starts the heartbeat. Returns at once.
   *
   * @param deviceId CAN device number, 1 to 63
   * @param frequency motor frequency in Hz, 0 to 20000, for all four motors
   * @throws DeviceOpenException when a value is out of range or the CAN handle cannot be opened
   */
  public Torqa(int deviceId, int frequency) {
    this(0, deviceId, frequency);
  }

  /**
   * Opens the controller on a CAN bus of the robot controller and starts the heartbeat. Returns at
   * once. WPILib 2026's robot controller (the roboRIO) has bus 0 only; Systemcore has buses 0 to 4.
   *
   * @param bus the CAN bus, from 0
   * @param deviceId CAN device number, 1 to 63
   * @param frequency motor frequency in Hz, 0 to 20000, for all four motors
   * @throws DeviceOpenException when a value is out of range, the robot has no such bus (a line on
   *     standard output says which it has) or the CAN handle cannot be opened
   */
  public Torqa(int bus, int deviceId, int frequency) {
    this.bus = bus;
    this.deviceId = deviceId;
    String attempt =
        (bus == 0 ? "" : "on CAN bus " + bus + " ")
            + "at device "
            + deviceId
            + " with frequency "
            + frequency;
    DeviceOpenException.checkNative("Torqa", attempt);
    DeviceOpenException.checkBus("Torqa", attempt, bus);
    DeviceOpenException.checkRange(
        "Torqa", attempt, "device number", deviceId, 1, MAX_DEVICE_ID);
    DeviceOpenException.checkRange("Torqa", attempt, "frequency", frequency, 0, MAX_FREQUENCY);
    DeviceGuard opened =
        DeviceGuard.open(
            () ->
                bus == 0
                    ? TorqaJNI.c_Torqa_create(deviceId, frequency)
                    : TorqaJNI.c_Torqa_createOnBus(bus, deviceId, frequency));
    if (opened == null) {
      throw DeviceOpenException.refused("Torqa", attempt, "opening the CAN handle");
    }
    guard = opened;
  }

  /**
   * The CAN bus the controller was opened on. Returns at once.
   *
   * @return 0 unless opened on another bus
   */
  public int getBus() {
    return bus;
  }

  /**
   * The CAN device number the controller was opened at. Returns at once.
   *
   * @return 1 to 63
   */
  public int getDeviceId() {
    return deviceId;
  }

  /**
   * Whether the controller is open. Returns at once.
   *
   * @return true until {@link #close()}
   */
  public boolean isOpen() {
    return guard.isOpen();
  }

  /**
   * The native CAN handle. Returns at once.
   *
   * @return the handle, 0 once closed
   */
  public long getHandle() {
    return guard.handle();
  }

  /**
   * Closes the controller; later calls do nothing. Blocks up to one heartbeat period (100 ms)
   * and while an identity call of another thread runs. Safe to call again and from any thread.
   */
  @Override
  public void close() {
    guard.close(TorqaJNI::c_Torqa_destroy);
  }

  // ---- Commands: one CAN frame each, returning at once ----

  /**
   * Sets one motor's frequency. Returns at once.
   *
   * @param motor 0 to 3
   * @param frequency Hz, 0 to 20000
   */
  public void configureMotor(int motor, int frequency) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_configureMotor(h, motor, frequency);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Drives a motor open-loop. Returns at once.
   *
   * @param motor 0 to 3
   * @param speed -1.0 (full reverse) to 1.0 (full forward), in steps of 1 %; clamped; NaN stops
   */
  public void setSpeed(int motor, double speed) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setMotorSpeed(h, motor, speed);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Stops driving a motor. Returns at once.
   *
   * @param motor 0 to 3
   */
  public void disableMotor(int motor) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_disableMotor(h, motor);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a motor's encoder count to zero. Returns at once.
   *
   * @param motor 0 to 3
   */
  public void resetEncoder(int motor) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_resetEncoder(h, motor);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a closed-loop velocity target. Returns at once.
   *
   * @param motor 0 to 3
   * @param rpm revolutions per minute, to 0.01 RPM
   */
  public void setTargetVelocity(int motor, double rpm) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setTargetVelocity(h, motor, (float) rpm);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a closed-loop distance target. Returns at once.
   *
   * @param motor 0 to 3
   * @param counts encoder counts (24 bits are sent)
   */
  public void setTargetDistance(int motor, int counts) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setTargetDistance(h, motor, counts);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a closed-loop angle target. Returns at once.
   *
   * @param motor 0 to 3
   * @param degrees 0 to 360 (clamped), to 0.01 degree
   */
  public void setTargetAngle(int motor, double degrees) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setTargetAngle(h, motor, degrees);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Holds a motor at its present position, or releases it. Returns at once.
   *
   * @param motor 0 to 3
   * @param hold true to hold, false to release
   */
  public void setPositionHold(int motor, boolean hold) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setPositionHold(h, motor, hold);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a motor's encoder resolution. Returns at once.
   *
   * @param motor 0 to 3
   * @param countsPerRevolution encoder counts per revolution, 0 to 65535
   */
  public void setEncoderResolution(int motor, int countsPerRevolution) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setEncoderResolution(h, motor, countsPerRevolution);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a motor's current limit. Returns at once.
   *
   * @param motor 0 to 3
   * @param amps amperes, 0 to 655.35 (clamped), to 0.01 A
   */
  public void setCurrentLimit(int motor, double amps) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setCurrentLimit(h, motor, (float) amps);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Switches a motor's current limit on or off. Returns at once.
   *
   * @param motor 0 to 3
   * @param enabled whether the limit applies
   */
  public void setCurrentLimitEnabled(int motor, boolean enabled) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setCurrentLimitMode(h, motor, enabled ? 1 : 0);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets what every motor does when it is not driven. The controller's firmware gives the mode
   * byte its meaning and takes every value, so it is passed through unchecked. Returns at once.
   *
   * @param mode the firmware's stop mode, 0 to 255
   */
  public void setStopMode(int mode) {
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setMotorStopMode(h, mode);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets the PID type of every motor. Returns at once.
   *
   * @param type the PID type
   */
  public void setPIDType(PIDType type) {
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setPIDType(h, type.value);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets the PID type of one motor. Returns at once.
   *
   * @param motor 0 to 3
   * @param type the PID type
   */
  public void setPIDType(int motor, PIDType type) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setMotorPIDType(h, motor, type.value);
      }
    } finally {
      guard.leave();
    }
  }

  /** Asks the controller to autotune every motor's closed loop. Returns at once. */
  public void autotune() {
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_autotuneAll(h);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Asks the controller to autotune one motor's closed loop. Returns at once.
   *
   * @param motor 0 to 3
   */
  public void autotune(int motor) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_autotuneMotor(h, motor);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets the controller's CAN sensor delay. Returns at once.
   *
   * @param delay the delay in the firmware's units, at least 5 (smaller values are raised to 5)
   */
  public void setCANSensorDelay(int delay) {
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setCANSensorOsDelay(h, delay);
      }
    } finally {
      guard.leave();
    }
  }

  /**
   * Sets a motor's closed-loop sensitivity. Returns at once.
   *
   * @param motor 0 to 3
   * @param sensitivity 0 to 10
   */
  public void setSensitivity(int motor, int sensitivity) {
    checkMotor(motor);
    long h = guard.enter();
    try {
      if (h != 0) {
        TorqaJNI.c_Torqa_setSensitivity(h, motor, sensitivity);
      }
    } finally {
      guard.leave();
    }
  }

  // ---- Telemetry: the latest status frames, returning at once ----

  /**
   * Sets the distance one encoder tick of a motor of this controller stands for, used by {@link
   * #getEncoderDistance}. 1.0 until set. Returns at once.
   *
   * @param motor 0 to 3
   * @param distancePerTick distance per tick, in the caller's unit
   */
  public void setDistancePerTick(int motor, double distancePerTick) {
    checkMotor(motor);
    this.distancePerTick[motor] = distancePerTick;
  }

  /**
   * The motor frequency the controller reports. Returns at once.
   *
   * @return Hz; 0 before its first frame
   */
  public int getFrequency() {
    long h = guard.readingHandle();
    if (h == 0) {
      return 0;
    }
    int value = TorqaJNI.c_Torqa_getRecentFrequency(h);
    return guard.stillOpen(h) ? value : 0;
  }

  /**
   * The controller's temperature. Returns at once.
   *
   * @return degrees Celsius, to 0.01; 0 before its first frame
   */
  public double getTemperature() {
    long h = guard.readingHandle();
    if (h == 0) {
      return 0.0;
    }
    double value = TorqaJNI.c_Torqa_getRecentControllerTemp(h);
    return guard.stillOpen(h) ? value : 0.0;
  }

  /**
   * A motor's speed. Returns at once.
   *
   * @param motor 0 to 3
   * @return RPM; 0 before its first frame
   */
  public double getRPM(int motor) {
    checkMotor(motor);
    long h = guard.readingHandle();
    if (h == 0) {
      return 0.0;
    }
    double value = motors.rpm(h, motor);
    return guard.stillOpen(h) ? value : 0.0;
  }

  /**
   * A motor's speed, if reported. Returns at once.
   *
   * @param motor 0 to 3
   * @return RPM, or empty when the controller has not reported it
   */
  public OptionalDouble tryGetRPM(int motor) {
    checkMotor(motor);
    double[] out = new double[1];
    long h = guard.readingHandle();
    return h != 0 && TorqaJNI.c_Torqa_tryGetRecentRPM(h, motor, out) && guard.stillOpen(h)
        ? OptionalDouble.of(out[0])
        : OptionalDouble.empty();
  }

  /**
   * The speed a motor is aiming at, if reported. Returns at once.
   *
   * @param motor 0 to 3
   * @return RPM, or empty when not reported
   */
  public OptionalDouble tryGetTargetRPM(int motor) {
    checkMotor(motor);
    double[] out = new double[1];
    long h = guard.readingHandle();
    return h != 0 && TorqaJNI.c_Torqa_tryGetRecentTargetRPM(h, motor, out) && guard.stillOpen(h)
        ? OptionalDouble.of(out[0])
        : OptionalDouble.empty();
  }

  /**
   * The target speeds of motors 0 to 3. Returns at once. Allocates its result; {@link
   * #getTargetRPMs(double[])} fills an array the caller keeps.
   *
   * @return four RPMs, or empty unless the controller has reported all four
   */
  public Optional<double[]> getTargetRPMs() {
    return Optional.ofNullable(getTargetRPMs(new double[MOTORS]));
  }

  /**
   * The target speeds of motors 0 to 3, into the caller's array, allocating nothing. Returns at
   * once.
   *
   * @param into an array of at least 4 elements; elements 0 to 3 receive the RPMs of motors 0 to 3
   * @return {@code into}, filled; null, with {@code into} unchanged, unless the controller has
   *     reported all four (or once closed)
   * @throws IllegalArgumentException when {@code into} has fewer than 4 elements
   */
  public double[] getTargetRPMs(double[] into) {
    if (into.length < MOTORS) {
      throw new IllegalArgumentException("the array has room for " + into.length + " targets");
    }
    long h = guard.readingHandle();
    return h != 0 && TorqaJNI.c_Torqa_getRecentTargetRPMs(h, into) && guard.stillOpen(h)
        ? into
        : null;
  }

  /**
   * One of a motor's two limit switches. Returns at once.
   *
   * @param motor 0 to 3
   * @param second false for the first switch, true for the second
   * @return whether the switch is closed
   */
  public boolean getLimitSwitch(int motor, boolean second) {
    checkMotor(motor);
    long h = guard.readingHandle();
    if (h == 0) {
      return false;
    }
    boolean value = TorqaJNI.c_Torqa_getRecentLimitSwitch(h, motor, second);
    return guard.stillOpen(h) ? value : false;
  }

  /**
   * The position of a motor's Orvix absolute encoder. Returns at once.
   *
   * @param motor 0 to 3
   * @return the position as the encoder reports it, to 0.01
   */
  public double getOrvixPosition(int motor) {
    checkMotor(motor);
    long h = guard.readingHandle();
    if (h == 0) {
      return 0.0;
    }
    double value = TorqaJNI.c_Torqa_getRecentOrvixPosition(h, motor);
    return guard.stillOpen(h) ? value : 0.0;
  }

  /**
   * A motor's encoder count. Returns at once.
   *
   * @param motor 0 to 3
   * @return encoder counts
   */
  public int getEncoderCount(int motor) {
    checkMotor(motor);
    long h = guard.readingHandle();
    if (h == 0) {
      return 0;
    }
    int value = motors.encoderCount(h, motor);
    return guard.stillOpen(h) ? value : 0;
  }

  /**
   * A motor's encoder count as a double. Returns at once.
   *
   * @param motor 0 to 3
   * @return encoder counts
   */
  public double getEncoderRaw(int motor) {
    checkMotor(motor);
    return getEncoderCount(motor);
  }

  /**
   * A motor's encoder count times its {@link #setDistancePerTick distance per tick}.
   * Returns at once.
   *
   * @param motor 0 to 3
   * @return the distance, in the unit of the distance per tick
   */
  public double getEncoderDistance(int motor) {
    checkMotor(motor);
    return getEncoderRaw(motor) * distancePerTick[motor];
  }

  /**
   * A motor's encoder speed (the same report as {@link #getRPM}). Returns at once.
   *
   * @param motor 0 to 3
   * @return RPM
   */
  public double getEncoderSpeed(int motor) {
    checkMotor(motor);
    long h = guard.readingHandle();
    if (h == 0) {
      return 0.0;
    }
    double value = TorqaJNI.c_Torqa_getRecentEncoderSpeed(h, motor);
    return guard.stillOpen(h) ? value : 0.0;
  }

  // ---- Health: whether the controller is heard from, returning at once ----

  /**
   * Whether the controller is heard from: one of its status frames arrived within the last 100 ms
   * (it sends them every 20 ms), by the time the HAL received it. False before its first frame (a
   * controller at another device number is never heard from), after 100 ms without one (unplugged,
   * unpowered, or the CAN wiring broken), and once closed; true again as soon as frames come back.
   * The getters keep returning the last values meanwhile, so check this where a stale value
   * matters. Returns at once; takes no lock and allocates nothing. It looks at motor 0's speed
   * frame, the frame {@link #getRPM(int) getRPM(0)} reads: within a millisecond of that reading
   * both come from one read of the bus.
   *
   * <p>Each change is also reported once to the driver station's log ("Torqa[n]: ..."), also while
   * the program does not ask: the heartbeat looks every 100 ms.
   *
   * @return true while its status frames keep coming
   */
  public boolean isConnected() {
    long h = guard.readingHandle();
    boolean connected = h != 0 && TorqaJNI.c_Torqa_isConnected(h);
    return connected && guard.stillOpen(h);
  }

  /**
   * Milliseconds since the controller's newest status frame arrived, of those the program and the
   * heartbeat read (as {@link #isConnected()}, it looks at motor 0's speed frame first). Returns
   * at once; takes no lock and allocates nothing.
   *
   * @return the age, or -1 before the first frame and once closed
   */
  public long getDataAgeMs() {
    long h = guard.readingHandle();
    long age = h == 0 ? -1 : TorqaJNI.c_Torqa_getDataAgeMs(h);
    return guard.stillOpen(h) ? age : -1;
  }

  /**
   * The controller's health in one record: {@link #isConnected()}, {@link #getDataAgeMs()}, and
   * the sends and status reads that failed since it was opened (a send fails when the CAN bus
   * does not take the frame). Returns at once.
   *
   * @return the record, or null once closed
   */
  public DeviceFaults getFaults() {
    return guard.call(TorqaJNI::c_Torqa_getFaults, null);
  }

  // ---- Identity: blocking, one at a time per controller (see the class comment) ----

  /**
   * The device number the controller reports about itself. Blocks about 50 ms the first time, up
   * to about 1.1 s while the controller does not answer.
   *
   * @return 1 to 63, or 0 when it does not answer (or once closed)
   */
  public int getReportedDeviceId() {
    return guard.call(TorqaJNI::c_Torqa_getID, 0);
  }

  /**
   * {@link #getReportedDeviceId()} on the library's executor, in order with this controller's
   * other asynchronous calls. Returns at once.
   *
   * @return completes with {@link #getReportedDeviceId()}'s result
   */
  public CompletableFuture<Integer> getReportedDeviceIdAsync() {
    return guard.async(this::getReportedDeviceId, 0);
  }

  /**
   * The controller's firmware version. Blocks as {@link #getReportedDeviceId()}.
   *
   * @return for example "Firmware Version: [1.2.10]", or "Firmware Version: (read failed)"
   */
  public String getFirmwareVersion() {
    return guard.call(TorqaJNI::c_Torqa_getFirmwareVersion, FIRMWARE_FAILED);
  }

  /**
   * {@link #getFirmwareVersion()} on the library's executor. Returns at once.
   *
   * @return completes with {@link #getFirmwareVersion()}'s result
   */
  public CompletableFuture<String> getFirmwareVersionAsync() {
    return guard.async(this::getFirmwareVersion, FIRMWARE_FAILED);
  }

  /**
   * The controller's model and hardware version. Blocks as {@link #getReportedDeviceId()}.
   *
   * @return for example "Hardware: Torqa Quad, Version: 5"; "No Hardware Found!" for a model the
   *     library does not know, "Hardware: (read failed)" when the controller does not answer
   */
  public String getHardwareVersion() {
    return guard.call(TorqaJNI::c_Torqa_getHardwareVersion, HARDWARE_FAILED);
  }

  /**
   * {@link #getHardwareVersion()} on the library's executor. Returns at once.
   *
   * @return completes with {@link #getHardwareVersion()}'s result
   */
  public CompletableFuture<String> getHardwareVersionAsync() {
    return guard.async(this::getHardwareVersion, HARDWARE_FAILED);
  }

  /**
   * The controller's serial number. Blocks up to about 10 ms.
   *
   * @return for example "0012A4F0-00000000-DEADBEEF"; a word the controller did not send is
   *     00000000
   */
  public String getSerialNumber() {
    return guard.call(TorqaJNI::c_Torqa_getSerialNumber, SERIAL_FAILED);
  }

  /**
   * {@link #getSerialNumber()} on the library's executor. Returns at once.
   *
   * @return completes with {@link #getSerialNumber()}'s result
   */
  public CompletableFuture<String> getSerialNumberAsync() {
    return guard.async(this::getSerialNumber, SERIAL_FAILED);
  }

  private static final String FIRMWARE_FAILED = "Firmware Version: (read failed)";
  private static final String HARDWARE_FAILED = "Hardware: (read failed)";
  private static final String SERIAL_FAILED = "00000000-00000000-00000000";

  private static void checkMotor(int motor) {
    if (motor < 0 || motor >= MOTORS) {
      throw new IllegalArgumentException("motor " + motor + " is outside 0 to " + (MOTORS - 1));
    }
  }
}
