package com.korvane.frc.jni;

/**
 * Native operations of the Torqa four-channel CAN motor controller. The handle is the CAN handle
 * returned by {@link #c_Torqa_create}; 0 means that creation failed. Motor indices are 0 to 3.
 *
 * <p>The native side reads only the low 8 bits of a motor index (as a signed byte), of a mode,
 * type or sensitivity (unsigned), and the low 16 bits of a resolution or delay.
 *
 * <p>Every call may come from any thread at any time; a call racing the destroy of its handle may
 * reach the old controller or none, so {@link com.korvane.frc.Torqa} orders them. Commands and
 * telemetry never wait; destroy waits up to 100 ms for the heartbeat threads; the identity calls
 * block for up to about 1.1 s.
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

  // Commands: one frame each; an index or value that fails its check sends nothing.

  /** Sets one motor's frequency. */
  public static native void c_Torqa_configureMotor(long handle, int motor, int frequency);

  /** Open-loop output of motor 0..3, -1.0 to 1.0. */
  public static native void c_Torqa_setMotorSpeed(long handle, int motor, double speed);

  public static native void c_Torqa_disableMotor(long handle, int motor);

  public static native void c_Torqa_resetEncoder(long handle, int motor);

  public static native void c_Torqa_setTargetVelocity(long handle, int motor, float rpm);

  public static native void c_Torqa_setTargetDistance(long handle, int motor, int distance);

  public static native void c_Torqa_setTargetAngle(long handle, int motor, double degrees);

  public static native void c_Torqa_setPositionHold(long handle, int motor, boolean hold);

  public static native void c_Torqa_setEncoderResolution(long handle, int motor, int resolution);

  public static native void c_Torqa_setCurrentLimit(long handle, int motor, float amps);

  public static native void c_Torqa_setCurrentLimitMode(long handle, int motor, int mode);

  public static native void c_Torqa_setMotorStopMode(long handle, int mode);

  /** PID type 0..2 for every motor. */
  public static native void c_Torqa_setPIDType(long handle, int type);

  /** PID type 0..2 for motor 0..3. */
  public static native void c_Torqa_setMotorPIDType(long handle, int motor, int type);

  public static native void c_Torqa_autotuneAll(long handle);

  public static native void c_Torqa_autotuneMotor(long handle, int motor);

  /** Raised to at least 5. */
  public static native void c_Torqa_setCANSensorOsDelay(long handle, int delay);

  /** Sensitivity 0..10. */
  public static native void c_Torqa_setSensitivity(long handle, int motor, int sensitivity);

  // Telemetry: from the latest status frames; 0 when none has come.

  public static native int c_Torqa_getFrequency(long handle);

  public static native double c_Torqa_getControllerTemp(long handle);

  public static native double c_Torqa_getRPM(long handle, int motor);

  /** The first switch of the motor, or the second when {@code selector} is true. */
  public static native boolean c_Torqa_getLimitSwitch(long handle, int motor, boolean selector);

  public static native double c_Torqa_getOrvixPosition(long handle, int motor);

  /** Distance per encoder tick of channel 0..3, for every controller (the handle is unused). */
  public static native void c_Torqa_setEncoder(long handle, int motor, double distancePerTick);

  public static native double c_Torqa_getEncoderDistance(long handle, int motor);

  public static native double c_Torqa_getEncoderRaw(long handle, int motor);

  public static native double c_Torqa_getEncoderSpeed(long handle, int motor);

  public static native int c_Torqa_getEncoderCount(long handle, int motor);

  /** True with {@code out[0]} set when the RPM frame is there; {@code out} untouched otherwise. */
  public static native boolean c_Torqa_tryGetRPM(long handle, int motor, double[] out);

  /** As {@link #c_Torqa_tryGetRPM} for the target RPM; false for an index outside 0..3. */
  public static native boolean c_Torqa_tryGetTargetRPM(long handle, int motor, double[] out);

  /** The four target RPMs, or null unless all four are there. */
  public static native double[] c_Torqa_getTargetRPMFromDevice(long handle);

  // Identity.

  /** The device number the controller reports, 0 when it does not answer. */
  public static native int c_Torqa_getID(long handle);

  public static native String c_Torqa_getFirmwareVersion(long handle);

  public static native String c_Torqa_getHardwareVersion(long handle);

  /** Three words in hexadecimal, e.g. "0012A4F0-00000000-DEADBEEF"; zeros for missing words. */
  public static native String c_Torqa_getSerialNumber(long handle);
}
