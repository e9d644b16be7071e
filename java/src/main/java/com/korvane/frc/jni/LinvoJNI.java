package com.korvane.frc.jni;

/**
 * Native operations of the line sensor: four analog channels behind a 12-bit converter at
 * address 0x48 on the expansion port's I2C bus. There is one sensor, so no handle.
 *
 * <p>Calls must come from one thread at a time, except {@link #c_getLatestRawValue} and {@link
 * #c_getLatestVoltage}, which any thread may make at any time.
 *
 * <p>The operations that take a handle act through one opening of the sensor, and any thread may
 * make them at any time: {@link #c_openI2C} opens the sensor and names it by a handle never given
 * before. It holds the sensor until a newer opening (from either language) replaces it or it is
 * closed; from then on its operations act on nothing and give their failure values, and closing it
 * leaves the newer one alone. Each operation holds its opening while it runs, so a replacing open
 * or a close waits for it.
 */
public final class LinvoJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private LinvoJNI() {}

  /**
   * Keeps the reference voltage, sets gain +-2.048 V and 1600 samples/s, opens the bus and reads
   * one byte to check that the converter answers; prints a status line either way.
   *
   * @param vRef the sensor's reference (supply) voltage in volts, kept as given; the conversion to
   *     volts does not use it (see {@link #c_getVoltage})
   * @return true when the converter answers
   */
  public static native boolean c_initializeI2C(float vRef);

  /** Releases the bus. */
  public static native void c_closeI2C();

  /**
   * One conversion of a channel; blocks a little over 1 ms (configure, wait 1 ms, read).
   *
   * @param channel 0 to 3; only its low 8 bits are read, and any other value gives 0 without bus
   *     traffic
   * @return the count, 0 to 2047 (a reading below ground counts 0); 0 when the read fails
   */
  public static native int c_getRawValue(int channel);

  /**
   * One conversion of a channel in volts, the input's: the count times the converter's full-scale
   * voltage at its gain (2.048 V) / 2048. Blocks as {@link #c_getRawValue}.
   *
   * @param channel 0 to 3, as for {@link #c_getRawValue}
   * @return volts; 0.0 for another channel or before {@link #c_initializeI2C}
   */
  public static native float c_getVoltage(int channel);

  /**
   * The newest count of a channel, without waiting for the converter. A library thread samples the
   * channels in turn: while this or {@link #c_getLatestVoltage} is called at least once a second,
   * the count is at most about 17 ms old (16 ms between samples of a channel, plus one conversion;
   * a blocking reading of the channel counts as a sample too). The
   * first call after {@link #c_initializeI2C}, or after a second without calls, returns what was
   * there before (0 at first) and starts sampling again; {@link #c_closeI2C} stops the thread.
   *
   * @param channel 0 to 3; only its low 8 bits are read, and any other value gives 0
   * @return the count, 0 to 2047; 0 until the channel's first sample, and after {@link
   *     #c_closeI2C}
   */
  public static native int c_getLatestRawValue(int channel);

  /**
   * {@link #c_getLatestRawValue} in volts, the input's, converted as {@link #c_getVoltage} does.
   * Returns at once; as old as {@link #c_getLatestRawValue}'s count.
   *
   * @param channel 0 to 3, as for {@link #c_getLatestRawValue}
   * @return volts; 0.0 for another channel, until the channel's first sample, before {@link
   *     #c_initializeI2C} has set vRef, and after {@link #c_closeI2C}
   */
  public static native float c_getLatestVoltage(int channel);

  /**
   * Whether the converter answers: a read of it succeeded within the last 100 ms. The sampler
   * reads it every 4 ms while the sensor is read; when it has paused, one byte is read to find
   * out (a bus transaction of well under a millisecond).
   *
   * @return false when no sensor is open, and when the converter does not answer
   */
  public static native boolean c_isAnswering();

  /**
   * Milliseconds since the converter last answered a read. Never waits.
   *
   * @return the age, or -1 before any answer and when no sensor is open
   */
  public static native long c_getDataAgeMs();

  /**
   * The sensor's health: answering or not, the age of its newest answer, and the failed bus
   * transfers since it was initialized. As {@link #c_isAnswering} it may read one byte.
   *
   * @return the record (an empty one when no sensor is open), or null when the VM is out of
   *     memory
   */
  public static native com.korvane.frc.DeviceFaults c_getFaults();

  // Through an opening.

  /**
   * Opens the sensor as {@link #c_initializeI2C} does, as a new opening that replaces the one
   * before, and starts sampling, so that the newest samples of all four channels are there about
   * 16 ms later.
   *
   * @param vRef the sensor's reference (supply) voltage in volts, kept as given
   * @return the opening's handle, never reused; 0 when the opening could not be made
   */
  public static native long c_openI2C(float vRef);

  /**
   * While the opening is the open sensor: stops its sampling and releases the bus, as {@link
   * #c_closeI2C} does. Nothing for an opening that was replaced or closed already.
   *
   * @param handle the opening
   */
  public static native void c_closeI2COpened(long handle);

  /**
   * {@link #c_getLatestRawValue} while the opening is the open sensor.
   *
   * @param handle the opening
   * @param channel 0 to 3
   * @return 0 also for an opening that is not the open sensor
   */
  public static native int c_getLatestRawValueOpened(long handle, int channel);

  /**
   * {@link #c_getLatestVoltage} while the opening is the open sensor.
   *
   * @param handle the opening
   * @param channel 0 to 3
   * @return 0 also for an opening that is not the open sensor
   */
  public static native float c_getLatestVoltageOpened(long handle, int channel);

  /**
   * {@link #c_isAnswering} while the opening is the open sensor.
   *
   * @param handle the opening
   * @return false also for an opening that is not the open sensor
   */
  public static native boolean c_isAnsweringOpened(long handle);

  /**
   * {@link #c_getDataAgeMs} while the opening is the open sensor.
   *
   * @param handle the opening
   * @return -1 also for an opening that is not the open sensor
   */
  public static native long c_getDataAgeMsOpened(long handle);

  /**
   * {@link #c_getFaults} while the opening is the open sensor.
   *
   * @param handle the opening
   * @return null also for an opening that is not the open sensor
   */
  public static native com.korvane.frc.DeviceFaults c_getFaultsOpened(long handle);
}
