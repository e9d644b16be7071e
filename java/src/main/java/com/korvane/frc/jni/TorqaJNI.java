package com.korvane.frc.jni;

/**
 * Native operations of the Torqa four-channel CAN motor controller. The handle is the CAN handle
 * returned by {@link #c_Torqa_create}; 0 means that creation failed. Motor indices are 0 to 3.
 *
 * <p>Create and destroy must not run at the same time as any other call; {@link
 * com.korvane.frc.Torqa} takes care of that.
 */
public final class TorqaJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private TorqaJNI() {}

  /** Opens the controller at CAN device number 1..63 with a motor frequency of 0..20000. */
  public static native long c_Torqa_create(int deviceID, int frequency);

  /** Stops every controller's heartbeat and releases the handle. */
  public static native void c_Torqa_destroy(long handle);

  /** Sets one motor's frequency. */
  public static native void c_Torqa_configureMotor(long handle, int motor, int frequency);
}
