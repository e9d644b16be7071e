package com.korvane.frc;

import com.korvane.frc.jni.TorqaJNI;
import java.util.Optional;
import java.util.OptionalDouble;
import java.util.concurrent.locks.Lock;
import java.util.concurrent.locks.ReentrantReadWriteLock;

/**
 * A Torqa four-channel motor controller on the robot's CAN bus. Its motors are numbered 0 to 3.
 *
 * <p>Opening it starts the heartbeat that tells the controller every 100 ms whether the robot is
 * enabled; its motors run only while the robot is enabled. Closing any controller stops the
 * heartbeat of every open controller until the next one is opened, so open all controllers once
 * at start-up and close them when the program ends.
 *
 * <p>Commands are sent as one CAN frame each and return at once; the controller does not answer
 * them, and a command whose motor index or value is out of range is silently not sent. Telemetry
 * comes from status frames the controller sends by itself: the getters return the latest value
 * (0 before the first frame), the {@code tryGet} forms say whether there was one. Neither ever
 * waits for the bus.
 *
 * <p>Threading: every method may be called from any thread. Commands and telemetry run
 * concurrently with each other; they wait only while a controller is being opened or closed.
 * The identity methods ({@link #getReportedDeviceId()}, {@link #getFirmwareVersion()}, {@link
 * #getHardwareVersion()}, {@link #getSerialNumber()}) block their caller (about 50 ms the first
 * time, up to about 1.1 s while the controller does not answer, 10 ms for the serial number) and
 * run one at a time across all controllers; call them once at start-up, not from the 20 ms loop.
 * After {@link #close()} commands do nothing and getters return their "nothing there" value.
 */
public class Torqa implements AutoCloseable {
  /** Highest motor frequency the controller takes. */
  public static final int MAX_FREQUENCY = 20000;

  /** Number of motor channels. */
  public static final int MOTORS = 4;

  // Opening and closing change the library's registry of controllers, which every other call
  // reads: they take the write lock, everything else the read lock.
  private static final ReentrantReadWriteLock REGISTRY = new ReentrantReadWriteLock();
  // The identity calls share the library's info cache.
  private static final Object IDENTITY = new Object();

  private volatile long handle;
  private final int deviceId;

  /**
   * Opens the controller.
   *
   * @param deviceId CAN device number, 1 to 63
   * @param frequency motor frequency, 0 to 20000, for all four motors
   * @throws IllegalStateException when the controller cannot be opened (the reason is printed)
   */
  public Torqa(int deviceId, int frequency) {
    this.deviceId = deviceId;
    Lock lock = REGISTRY.writeLock();
    lock.lock();
    try {
      handle = TorqaJNI.c_Torqa_create(deviceId, frequency);
    } finally {
      lock.unlock();
    }
    if (handle == 0) {
      throw new IllegalStateException(
          "Torqa at device " + deviceId + " with frequency " + frequency + " could not be opened");
    }
  }

  /** The CAN device number the controller was opened at. */
  public int getDeviceId() {
    return deviceId;
  }

  /** True until {@link #close()}. */
  public boolean isOpen() {
    return handle != 0;
  }

  /** The native handle, 0 once closed. */
  public long getHandle() {
    return handle;
  }

  /** Closes the controller; later calls do nothing. */
  @Override
  public void close() {
    Lock lock = REGISTRY.writeLock();
    lock.lock();
    try {
      if (handle != 0) {
        TorqaJNI.c_Torqa_destroy(handle);
        handle = 0;
      }
    } finally {
      lock.unlock();
    }
  }

  // ---- Commands ----

  /** Sets one motor's frequency (0 to 20000); the motor index is sent as given. */
  public void configureMotor(int motor, int frequency) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_configureMotor(handle, motor, frequency);
    } finally {
      lock.unlock();
    }
  }

  /**
   * Drives a motor open-loop.
   *
   * @param motor 0 to 3
   * @param speed -1.0 (full reverse) to 1.0 (full forward), in steps of 1 %; clamped; NaN stops
   */
  public void setSpeed(int motor, double speed) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setMotorSpeed(handle, motor, speed);
    } finally {
      lock.unlock();
    }
  }

  /** Stops driving a motor (it is sent as given, even outside 0 to 3). */
  public void disableMotor(int motor) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_disableMotor(handle, motor);
    } finally {
      lock.unlock();
    }
  }

  /** Sets a motor's encoder count to zero. */
  public void resetEncoder(int motor) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_resetEncoder(handle, motor);
    } finally {
      lock.unlock();
    }
  }

  /** Closed-loop velocity target in RPM, to 0.01 RPM. */
  public void setTargetVelocity(int motor, double rpm) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setTargetVelocity(handle, motor, (float) rpm);
    } finally {
      lock.unlock();
    }
  }

  /** Closed-loop distance target in encoder counts (24 bits are sent). */
  public void setTargetDistance(int motor, int counts) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setTargetDistance(handle, motor, counts);
    } finally {
      lock.unlock();
    }
  }

  /** Closed-loop angle target, 0 to 360 degrees (clamped), to 0.01 degree. */
  public void setTargetAngle(int motor, double degrees) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setTargetAngle(handle, motor, degrees);
    } finally {
      lock.unlock();
    }
  }

  /** Holds a motor at its present position, or releases it. */
  public void setPositionHold(int motor, boolean hold) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setPositionHold(handle, motor, hold);
    } finally {
      lock.unlock();
    }
  }

  /** Encoder counts per revolution of a motor, 0 to 65535. */
  public void setEncoderResolution(int motor, int countsPerRevolution) {
    Lock lock = read();
    try {
      if (handle != 0) {
        TorqaJNI.c_Torqa_setEncoderResolution(handle, motor, countsPerRevolution);
      }
    } finally {
      lock.unlock();
    }
  }

  /** Current limit of a motor in amperes, 0 to 655.35 (clamped), to 0.01 A. */
  public void setCurrentLimit(int motor, double amps) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setCurrentLimit(handle, motor, (float) amps);
    } finally {
      lock.unlock();
    }
  }

  /** Switches a motor's current limit on or off. */
  public void setCurrentLimitEnabled(int motor, boolean enabled) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setCurrentLimitMode(handle, motor, enabled ? 1 : 0);
    } finally {
      lock.unlock();
    }
  }

  /** What every motor does when it is not driven (0 to 255, as the controller's firmware says). */
  public void setStopMode(int mode) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setMotorStopMode(handle, mode);
    } finally {
      lock.unlock();
    }
  }

  /** PID type 0 to 2 for every motor. */
  public void setPIDType(int type) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setPIDType(handle, type);
    } finally {
      lock.unlock();
    }
  }

  /** PID type 0 to 2 for one motor. */
  public void setPIDType(int motor, int type) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setMotorPIDType(handle, motor, type);
    } finally {
      lock.unlock();
    }
  }

  /** Asks the controller to autotune every motor's closed loop. */
  public void autotune() {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_autotuneAll(handle);
    } finally {
      lock.unlock();
    }
  }

  /** Asks the controller to autotune one motor's closed loop. */
  public void autotune(int motor) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_autotuneMotor(handle, motor);
    } finally {
      lock.unlock();
    }
  }

  /** The controller's CAN sensor delay, at least 5 (smaller values are raised to 5). */
  public void setCANSensorDelay(int delay) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setCANSensorOsDelay(handle, delay);
    } finally {
      lock.unlock();
    }
  }

  /** Closed-loop sensitivity of a motor, 0 to 10. */
  public void setSensitivity(int motor, int sensitivity) {
    Lock lock = read();
    try {
      if (handle != 0) TorqaJNI.c_Torqa_setSensitivity(handle, motor, sensitivity);
    } finally {
      lock.unlock();
    }
  }

  // ---- Telemetry ----

  /**
   * Sets the distance one encoder tick stands for on a channel (0 to 3), used by {@link
   * #getEncoderDistance}. The scale belongs to the library, not to one controller: it applies to
   * that channel of every controller. 1.0 until set.
   */
  public static void setDistancePerTick(int motor, double distancePerTick) {
    TorqaJNI.c_Torqa_setEncoder(0, motor, distancePerTick);
  }

  /** The motor frequency the controller reports; 0 before its first frame. */
  public int getFrequency() {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getFrequency(handle) : 0;
    } finally {
      lock.unlock();
    }
  }

  /** The controller's temperature, to 0.01; 0 before its first frame. */
  public double getTemperature() {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getControllerTemp(handle) : 0.0;
    } finally {
      lock.unlock();
    }
  }

  /** A motor's speed in RPM; 0 before its first frame. */
  public double getRPM(int motor) {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getRPM(handle, motor) : 0.0;
    } finally {
      lock.unlock();
    }
  }

  /** A motor's speed in RPM, or empty when the controller has not reported it. */
  public OptionalDouble tryGetRPM(int motor) {
    double[] out = new double[1];
    Lock lock = read();
    try {
      return handle != 0 && TorqaJNI.c_Torqa_tryGetRPM(handle, motor, out)
          ? OptionalDouble.of(out[0])
          : OptionalDouble.empty();
    } finally {
      lock.unlock();
    }
  }

  /** The RPM a motor is aiming at, or empty when not reported (or the motor is not 0 to 3). */
  public OptionalDouble tryGetTargetRPM(int motor) {
    double[] out = new double[1];
    Lock lock = read();
    try {
      return handle != 0 && TorqaJNI.c_Torqa_tryGetTargetRPM(handle, motor, out)
          ? OptionalDouble.of(out[0])
          : OptionalDouble.empty();
    } finally {
      lock.unlock();
    }
  }

  /** The target RPMs of motors 0 to 3, or empty unless the controller has reported all four. */
  public Optional<double[]> getTargetRPMs() {
    Lock lock = read();
    try {
      return handle != 0
          ? Optional.ofNullable(TorqaJNI.c_Torqa_getTargetRPMFromDevice(handle))
          : Optional.empty();
    } finally {
      lock.unlock();
    }
  }

  /**
   * One of a motor's two limit switches.
   *
   * @param motor 0 to 3 (false for any other)
   * @param second false for the first switch, true for the second
   */
  public boolean getLimitSwitch(int motor, boolean second) {
    Lock lock = read();
    try {
      return handle != 0 && TorqaJNI.c_Torqa_getLimitSwitch(handle, motor, second);
    } finally {
      lock.unlock();
    }
  }

  /** The position of a motor's Orvix absolute encoder, to 0.01; 0 for a motor not 0 to 3. */
  public double getOrvixPosition(int motor) {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getOrvixPosition(handle, motor) : 0.0;
    } finally {
      lock.unlock();
    }
  }

  /** A motor's encoder count. */
  public int getEncoderCount(int motor) {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getEncoderCount(handle, motor) : 0;
    } finally {
      lock.unlock();
    }
  }

  /** A motor's encoder count as a double. */
  public double getEncoderRaw(int motor) {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getEncoderRaw(handle, motor) : 0.0;
    } finally {
      lock.unlock();
    }
  }

  /** A motor's encoder count times its channel's {@link #setDistancePerTick distance per tick}. */
  public double getEncoderDistance(int motor) {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getEncoderDistance(handle, motor) : 0.0;
    } finally {
      lock.unlock();
    }
  }

  /** A motor's encoder speed in RPM (the same report as {@link #getRPM}). */
  public double getEncoderSpeed(int motor) {
    Lock lock = read();
    try {
      return handle != 0 ? TorqaJNI.c_Torqa_getEncoderSpeed(handle, motor) : 0.0;
    } finally {
      lock.unlock();
    }
  }

  // ---- Identity (blocking; see the class comment) ----

  /** The device number the controller reports about itself, or 0 when it does not answer. */
  public int getReportedDeviceId() {
    Lock lock = read();
    try {
      synchronized (IDENTITY) {
        return handle != 0 ? TorqaJNI.c_Torqa_getID(handle) : 0;
      }
    } finally {
      lock.unlock();
    }
  }

  /** For example "Firmware Version: [1.2.10]", or "Firmware Version: (read failed)". */
  public String getFirmwareVersion() {
    Lock lock = read();
    try {
      synchronized (IDENTITY) {
        return handle != 0
            ? TorqaJNI.c_Torqa_getFirmwareVersion(handle)
            : "Firmware Version: (read failed)";
      }
    } finally {
      lock.unlock();
    }
  }

  /**
   * For example "Hardware: Torqa Quad, Version: 5"; "No Hardware Found!" for a model the library
   * does not know, "Hardware: (read failed)" when the controller does not answer.
   */
  public String getHardwareVersion() {
    Lock lock = read();
    try {
      synchronized (IDENTITY) {
        return handle != 0
            ? TorqaJNI.c_Torqa_getHardwareVersion(handle)
            : "Hardware: (read failed)";
      }
    } finally {
      lock.unlock();
    }
  }

  /** For example "0012A4F0-00000000-DEADBEEF"; a word the controller did not send is 00000000. */
  public String getSerialNumber() {
    Lock lock = read();
    try {
      synchronized (IDENTITY) {
        return handle != 0
            ? TorqaJNI.c_Torqa_getSerialNumber(handle)
            : "00000000-00000000-00000000";
      }
    } finally {
      lock.unlock();
    }
  }

  private static Lock read() {
    Lock lock = REGISTRY.readLock();
    lock.lock();
    return lock;
  }
}
