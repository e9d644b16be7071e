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

  /** Largest raw count: the full-scale 2.048 V, less one count. */
  public static final int MAX_COUNT = 2047;

  // The driver keeps one sensor: this object's opening of it, which a newer one replaces.
  private final DeviceGuard guard;

  /**
   * Opens the bus, checks that the converter answers (a status line is printed) and starts
   * sampling; the first samples of all four channels are there about 16 ms later. A converter
   * that does not answer is not an error here: {@link #isConnected()} says so, and its readings
   * are 0, so a robot program runs on without the sensor.
   *
   * <p>Voltages are the inputs' volts: the converter measures against its own full-scale range,
   * ±2.048 V at its gain, so an input of 0.5 V reads 0.5 whatever reference is given, and inputs
   * from 2.047 V up read 2.047 (the largest count).
   *
   * @param referenceVoltage the sensor board's supply voltage (usually 3.3 V), kept as the driver's
   *     record of it; it does not scale the readings
   * @throws DeviceOpenException when the native driver library cannot be loaded, or the driver
   *     cannot make the opening (out of memory)
   */
  public Linvo(float referenceVoltage) {
    DeviceOpenException.checkNative("Linvo", "with reference voltage " + referenceVoltage + " V");
    DeviceGuard opened = DeviceGuard.open(() -> LinvoJNI.c_openI2C(referenceVoltage));
    if (opened == null) {
      throw new DeviceOpenException(
          "Linvo",
          "with reference voltage " + referenceVoltage + " V",
          "the driver could not open it");
    }
    guard = opened;
  }

  /**
   * Whether the converter answers: a read of it succeeded within the last 100 ms (the library
   * reads it every 4 ms while the sensor is read). When nobody has read the sensor for a while,
   * one byte is read to find out, a bus transaction of well under a millisecond; otherwise it
   * returns at once. False once closed.
   *
   * <p>Each change while the sensor is being read (the converter stops or starts answering) is
   * reported once to the driver station's log ("Linvo[1]: ...").
   *
   * @return true while the converter answers
   */
  public boolean isConnected() {
    return guard.call(LinvoJNI::c_isAnsweringOpened, false);
  }

  /**
   * Milliseconds since the converter last answered a read. Returns at once.
   *
   * @return the age, or -1 before any answer and once closed
   */
  public long getDataAgeMs() {
    return guard.call(LinvoJNI::c_getDataAgeMsOpened, -1L);
  }

  /**
   * The sensor's health in one record: {@link #isConnected()}, {@link #getDataAgeMs()}, and the
   * bus transfers that failed since it was opened (writes as sends, reads as receives). As {@link
   * #isConnected()} it may read one byte.
   *
   * @return the record, or null once closed
   */
  public DeviceFaults getFaults() {
    return guard.call(LinvoJNI::c_getFaultsOpened, null);
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
    int count = LinvoJNI.c_getLatestRawValueOpened(handle, channel);
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
   * @return the input's volts (the count times 2.048 V / 2048); 0 for another channel, before the
   *     first sample, or once closed
   */
  public float getVoltage(int channel) {
    long handle = guard.readingHandle();
    if (handle == 0 || !validChannel(channel)) {
      return 0.0f;
    }
    float volts = LinvoJNI.c_getLatestVoltageOpened(handle, channel);
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
    guard.close(LinvoJNI::c_closeI2COpened);
  }

  private static boolean validChannel(int channel) {
    return channel >= 0 && channel < CHANNELS;
  }
}
