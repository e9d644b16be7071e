package com.korvane.frc;

import com.korvane.frc.jni.LinvoJNI;

/**
 * The line sensor: four analog light sensors read through a 12-bit converter on the expansion
 * port's I2C bus (address 0x48).
 *
 * <p>There is one sensor per robot, so every {@code Linvo} object talks to the same one; all
 * calls are serialised on one lock shared by every object. After {@link #close()} the readings
 * are 0.
 */
public final class Linvo implements AutoCloseable {
  /** Number of channels, numbered 0 to 3. */
  public static final int CHANNELS = 4;

  /** Largest raw count. */
  public static final int MAX_COUNT = 4095;

  private static final Object LOCK = new Object();

  private final boolean connected;
  private boolean open;

  /**
   * Opens the bus and checks that the converter answers (a status line is printed).
   *
   * @param referenceVoltage volts that a count of 2048 stands for, usually the supply, 3.3 V
   */
  public Linvo(float referenceVoltage) {
    synchronized (LOCK) {
      connected = LinvoJNI.c_initializeI2C(referenceVoltage);
      open = true;
    }
  }

  /** True when the converter answered when the sensor was opened. */
  public boolean isConnected() {
    return connected;
  }

  /** One conversion of the channel as a count 0 to 4095; 0 for a channel outside 0 to 3. */
  public int getRawValue(int channel) {
    synchronized (LOCK) {
      return open && validChannel(channel) ? LinvoJNI.c_getRawValue(channel) : 0;
    }
  }

  /** One conversion of the channel in volts; 0 for a channel outside 0 to 3. */
  public float getVoltage(int channel) {
    synchronized (LOCK) {
      return open && validChannel(channel) ? LinvoJNI.c_getVoltage(channel) : 0.0f;
    }
  }

  /** Releases the bus; later readings are 0. */
  @Override
  public void close() {
    synchronized (LOCK) {
      if (open) {
        LinvoJNI.c_closeI2C();
        open = false;
      }
    }
  }

  private static boolean validChannel(int channel) {
    return channel >= 0 && channel < CHANNELS;
  }
}
