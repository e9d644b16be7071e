package com.korvane.frc.sim;

/**
 * Natives that do nothing, shaped like {@code c_Torqa_setMotorSpeed} and {@code c_Torqa_getRPM}:
 * the bare cost of a Java-to-native call, to set the real calls against.
 */
public final class NativeBaseline {
  static {
    SimLibraries.loadSimulators();
  }

  private NativeBaseline() {}

  public static native void emptyVoid(long handle, int motor, double value);

  public static native double emptyDouble(long handle, int motor);
}
