package com.korvane.frc;

import com.korvane.frc.jni.TorqaJNI;

/**
 * A Torqa four-channel motor controller on the robot's CAN bus.
 *
 * <p>Opening it starts the heartbeat that tells the controller every 100 ms whether the robot is
 * enabled; its motors run only while the robot is enabled. Closing any controller stops the
 * heartbeat of every open controller until the next one is opened, so open all controllers once
 * at start-up and close them when the program ends.
 *
 * <p>Methods are synchronized on the object: {@link #close()} never runs in the middle of another
 * call on the same controller. After {@code close()} every method does nothing.
 */
public class Torqa implements AutoCloseable {
  /** Highest motor frequency the controller takes. */
  public static final int MAX_FREQUENCY = 20000;

  private long handle;
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
    handle = TorqaJNI.c_Torqa_create(deviceId, frequency);
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
  public synchronized boolean isOpen() {
    return handle != 0;
  }

  /** The native handle, 0 once closed. */
  public synchronized long getHandle() {
    return handle;
  }

  /** Sets one motor's frequency (0 to 20000). */
  public synchronized void configureMotor(int motor, int frequency) {
    if (handle != 0) {
      TorqaJNI.c_Torqa_configureMotor(handle, motor, frequency);
    }
  }

  /** Closes the controller; later calls do nothing. */
  @Override
  public synchronized void close() {
    if (handle != 0) {
      TorqaJNI.c_Torqa_destroy(handle);
      handle = 0;
    }
  }
}
