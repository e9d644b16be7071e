package com.korvane.frc;

import com.korvane.frc.jni.LinvoJNI;
import java.util.concurrent.CompletableFuture;

/**
 * The line sensor: four analog light sensors read through a 12-bit converter on the expansion
 * port's I2C bus (address 0x48).
 *
 * <p>Readings do not wait for the converter: a library thread samples the four channels in turn,
 * and {@link #getRawValue} and {@link #getVoltage} return the newest sample at once. While the
 * sensor is read at least once a second (a robot loop reads it every 20 ms) a reading is at most
 * about 17 ms old, less than one loop. After a second without readings the thread stops
 * sampling; the next reading returns the value from before that pause and starts it again, so the
 * one after it, a loop later, is fresh. Opening checks the converter with one bus transaction. The {@code
 * ...Async} forms return at once and run on the library's executor, in order per object.
 *
 * <p>There is one sensor per robot: opening a {@code Linvo} replaces the one opened before, which
 * is closed from then on (its readings are 0, and closing it leaves the newer one alone). The
 * readings run side by side, from any thread, take no lock and allocate nothing; a reading racing
 * the opening of another sensor or {@link #close()} returns 0. After {@link #close()} the readings
 * are 0; {@code close} may be called from any thread, more than once.
 */
public final class Linvo implements AutoCloseable {
  /** Number of channels, numbered 0 to 3. */
  public static final int CHANNELS = 4;

  /** Largest raw count: the reference voltage, less one count. */
  public static final int MAX_COUNT = 2047;

  // The driver keeps one sensor and takes one call at a time.
  private static final DeviceGuard.Family SENSOR = DeviceGuard.Family.onePerProcessSharedDriver();

  private final boolean connected;
  private final DeviceGuard guard;

  /**
   * Opens the bus, checks that the converter answers (a status line is printed) and starts
   * sampling; the first samples of all four channels are there about 16 ms later. A converter
   * that does not answer is not an error here: {@link #isConnected()} says so, and its readings
   * are 0, so a robot program runs on without the sensor.
   *
   * @param referenceVoltage volts that a count of 2048 stands for, usually the supply, 3.3 V
   * @throws DeviceOpenException when the native driver library cannot be loaded
   */
  public Linvo(float referenceVoltage) {
    DeviceOpenException.checkNative("Linvo", "with reference voltage " + referenceVoltage + " V");
    boolean[] answered = new boolean[1];
    guard =
        DeviceGuard.open(
            SENSOR,
            () -> {
              answered[0] = LinvoJNI.c_initializeI2C(referenceVoltage);
              LinvoJNI.c_getLatestRawValue(0); // starts sampling, so the first loop finds samples
              return DeviceGuard.NO_HANDLE;
            });
    connected = answered[0];
  }

  /**
   * Whether the converter answered when the sensor was opened. Returns at once.
   *
   * @return true when it answered
   */
  public boolean isConnected() {
    return connected;
  }

  /**
   * The newest sample of a channel. Returns at once; the sample is at most about 17 ms old while
   * the sensor is read at least once a second (see the class description).
   *
   * @param channel 0 to 3
   * @return a count 0 to {@link #MAX_COUNT} (a reading below ground counts 0); 0 for another
   *     channel, a failed read, before the first sample, or once closed
   */
  public int getRawValue(int channel) {
    long handle = guard.readingHandle();
    if (handle == 0 || !validChannel(channel)) {
      return 0;
    }
    int count = LinvoJNI.c_getLatestRawValue(channel);
    return guard.stillOpen(handle) ? count : 0;
  }

  /**
   * {@link #getRawValue} on the library's executor. Returns at once.
   *
   * @param channel 0 to 3
   * @return completes with {@link #getRawValue}'s result
   */
  public CompletableFuture<Integer> getRawValueAsync(int channel) {
    return guard.async(() -> getRawValue(channel), 0);
  }

  /**
   * The newest sample of a channel in volts. Returns at once; as old as {@link #getRawValue}'s.
   *
   * @param channel 0 to 3
   * @return volts (count times reference voltage / 2048); 0 for another channel, before the first
   *     sample, or once closed
   */
  public float getVoltage(int channel) {
    long handle = guard.readingHandle();
    if (handle == 0 || !validChannel(channel)) {
      return 0.0f;
    }
    float volts = LinvoJNI.c_getLatestVoltage(channel);
    return guard.stillOpen(handle) ? volts : 0.0f;
  }

  /**
   * {@link #getVoltage} on the library's executor. Returns at once.
   *
   * @param channel 0 to 3
   * @return completes with {@link #getVoltage}'s result
   */
  public CompletableFuture<Float> getVoltageAsync(int channel) {
    return guard.async(() -> getVoltage(channel), 0.0f);
  }

  /**
   * Stops the sampling thread and releases the bus; later readings are 0. Blocks until the thread
   * has finished its current sample (well under a millisecond). Safe to call again.
   */
  @Override
  public void close() {
    guard.close(h -> LinvoJNI.c_closeI2C());
  }

  private static boolean validChannel(int channel) {
    return channel >= 0 && channel < CHANNELS;
  }
}
