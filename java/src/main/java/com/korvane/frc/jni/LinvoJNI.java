package com.korvane.frc.jni;

/**
 * Native operations of the line sensor: four analog channels behind a 12-bit converter at
 * address 0x48 on the expansion port's I2C bus. There is one sensor, so no handle.
 *
 * <p>Calls must come from one thread at a time; {@link com.korvane.frc.Linvo} takes care of that.
 */
public final class LinvoJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private LinvoJNI() {}

  /** Opens the bus with the reference voltage; true when the converter answers. */
  public static native boolean c_initializeI2C(float vRef);

  /** Releases the bus. */
  public static native void c_closeI2C();

  /** One conversion of channel 0 to 3 as a count 0 to 4095; 0 for other channels. */
  public static native int c_getRawValue(int channel);

  /** One conversion of channel 0 to 3 in volts (count times vRef / 2048). */
  public static native float c_getVoltage(int channel);
}
