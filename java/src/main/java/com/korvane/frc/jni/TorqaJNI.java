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

  /**
   * Opens the controller, sends every motor its frequency and starts its heartbeat thread, which
   * tells it every 100 ms whether the robot is enabled. Returns at once.
   *
   * @param deviceID CAN device number, 1 to 63
   * @param frequency motor frequency in Hz, 0 to 20000
   * @return the CAN handle, or 0 when a value is out of range or the CAN handle cannot be opened
   *     (the reason is printed)
   */
  public static native long c_Torqa_create(int deviceID, int frequency);

  /**
   * {@link #c_Torqa_create} on a chosen CAN bus: every frame to the controller goes on that bus.
   * WPILib 2026's robot controller has bus 0 only; Systemcore (WPILib 2027) has buses 0 to 4. A
   * bus the robot does not have is refused with a "[Torqa] CAN bus ..." line. Returns at once.
   *
   * @param bus the CAN bus, from 0
   * @param deviceID CAN device number, 1 to 63
   * @param frequency motor frequency in Hz, 0 to 20000
   * @return the CAN handle, or 0 when a value is out of range or the CAN handle cannot be opened
   *     (the reason is printed)
   */
  public static native long c_Torqa_createOnBus(int bus, int deviceID, int frequency);

  /**
   * Stops and joins the heartbeat thread of every open controller (a later create starts only its
   * own), forgets the handle and releases it. Blocks up to one heartbeat period, 100 ms.
   *
   * @param handle the controller's handle
   */
  public static native void c_Torqa_destroy(long handle);

  // Commands: one frame each; an index or value that fails its check sends nothing.

  /**
   * Sets one motor's frequency; the index is sent unchecked.
   *
   * @param handle the controller's handle
   * @param motor the motor index
   * @param frequency Hz, low 16 bits sent
   */
  public static native void c_Torqa_configureMotor(long handle, int motor, int frequency);

  /**
   * Drives a motor open-loop, in steps of 1 %.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @param speed -1.0 (full reverse) to 1.0 (full forward), clamped; NaN sends 0
   */
  public static native void c_Torqa_setMotorSpeed(long handle, int motor, double speed);

  /**
   * Stops driving a motor; the index is sent unchecked.
   *
   * @param handle the controller's handle
   * @param motor the motor index
   */
  public static native void c_Torqa_disableMotor(long handle, int motor);

  /**
   * Sets a motor's encoder count to zero; the index is sent unchecked.
   *
   * @param handle the controller's handle
   * @param motor the motor index
   */
  public static native void c_Torqa_resetEncoder(long handle, int motor);

  /**
   * Sets a closed-loop velocity target, sent in hundredths of an RPM.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param rpm revolutions per minute
   */
  public static native void c_Torqa_setTargetVelocity(long handle, int motor, float rpm);

  /**
   * Sets a closed-loop distance target.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param distance encoder counts, low 24 bits sent
   */
  public static native void c_Torqa_setTargetDistance(long handle, int motor, int distance);

  /**
   * Sets a closed-loop angle target, sent in hundredths of a degree.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param degrees 0 to 360, clamped; NaN sends 0
   */
  public static native void c_Torqa_setTargetAngle(long handle, int motor, double degrees);

  /**
   * Holds a motor at its present position, or releases it.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param hold true to hold, false to release
   */
  public static native void c_Torqa_setPositionHold(long handle, int motor, boolean hold);

  /**
   * Sets a motor's encoder resolution.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param resolution encoder counts per revolution, low 16 bits sent
   */
  public static native void c_Torqa_setEncoderResolution(long handle, int motor, int resolution);

  /**
   * Sets a motor's current limit, sent in hundredths of an ampere.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param amps amperes, 0 to 655.35 (clamped; NaN sends 0)
   */
  public static native void c_Torqa_setCurrentLimit(long handle, int motor, float amps);

  /**
   * Switches a motor's current limit on or off.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param mode 0 for off; any other low byte for on
   */
  public static native void c_Torqa_setCurrentLimitMode(long handle, int motor, int mode);

  /**
   * Sets what every motor does when it is not driven; the mode byte is sent unchecked.
   *
   * @param handle the controller's handle
   * @param mode the firmware's stop mode, low 8 bits sent
   */
  public static native void c_Torqa_setMotorStopMode(long handle, int mode);

  /**
   * Sets the PID type of every motor.
   *
   * @param handle the controller's handle
   * @param type 0 to 2
   */
  public static native void c_Torqa_setPIDType(long handle, int type);

  /**
   * Sets the PID type of one motor.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @param type 0 to 2
   */
  public static native void c_Torqa_setMotorPIDType(long handle, int motor, int type);

  /**
   * Asks the controller to autotune every motor's closed loop.
   *
   * @param handle the controller's handle
   */
  public static native void c_Torqa_autotuneAll(long handle);

  /**
   * Asks the controller to autotune one motor's closed loop.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   */
  public static native void c_Torqa_autotuneMotor(long handle, int motor);

  /**
   * Sets the controller's CAN sensor delay.
   *
   * @param handle the controller's handle
   * @param delay the delay in the firmware's units, low 16 bits; raised to at least 5
   */
  public static native void c_Torqa_setCANSensorOsDelay(long handle, int delay);

  /**
   * Sets a motor's closed-loop sensitivity.
   *
   * @param handle the controller's handle
   * @param motor at most 3 (a negative index is sent as its byte)
   * @param sensitivity 0 to 10
   */
  public static native void c_Torqa_setSensitivity(long handle, int motor, int sensitivity);

  // Telemetry: from the latest status frames; 0 when none has come. Motors 1, 2 and 3 read their
  // own frames; any other index reads motor 0's, unless a call says otherwise.

  /**
   * The motor frequency the controller reports.
   *
   * @param handle the controller's handle
   * @return Hz, 0 to 65535; 0 before the first frame
   */
  public static native int c_Torqa_getFrequency(long handle);

  /**
   * The controller's temperature.
   *
   * @param handle the controller's handle
   * @return degrees Celsius, to 0.01; 0 before the first frame
   */
  public static native double c_Torqa_getControllerTemp(long handle);

  /**
   * A motor's speed.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @return RPM, to 0.01; 0 before the first frame
   */
  public static native double c_Torqa_getRPM(long handle, int motor);

  /**
   * One of a motor's two limit switches.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @param selector false for the first switch, true for the second
   * @return whether the switch is closed; false for an index outside 0..3 or before the first
   *     frame
   */
  public static native boolean c_Torqa_getLimitSwitch(long handle, int motor, boolean selector);

  /**
   * The position of a motor's Orvix absolute encoder.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @return the position as the encoder reports it, to 0.01; 0 for an index outside 0..3
   */
  public static native double c_Torqa_getOrvixPosition(long handle, int motor);

  /**
   * Sets the distance per encoder tick of a channel, for every controller (the handle is unused);
   * 1.0 until set.
   *
   * @param handle unused
   * @param motor the channel, 0 to 3; any other is ignored
   * @param distancePerTick distance per tick, in the caller's unit
   */
  public static native void c_Torqa_setEncoder(long handle, int motor, double distancePerTick);

  /**
   * A motor's encoder count times its channel's distance per tick.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @return the distance, in the unit of the distance per tick; 0 for an index outside 0..3
   */
  public static native double c_Torqa_getEncoderDistance(long handle, int motor);

  /**
   * A motor's encoder count as a double.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @return encoder counts
   */
  public static native double c_Torqa_getEncoderRaw(long handle, int motor);

  /**
   * A motor's encoder speed, from the same frame as {@link #c_Torqa_getRPM}.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @return RPM, to 0.01
   */
  public static native double c_Torqa_getEncoderSpeed(long handle, int motor);

  /**
   * A motor's encoder count.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @return encoder counts
   */
  public static native int c_Torqa_getEncoderCount(long handle, int motor);

  /**
   * Whether the controller is heard from: one of its status frames arrived within the last 100 ms
   * (it sends them every 20 ms), by the HAL's receive time. Reads the newest motor-0 RPM frame
   * first; never waits.
   *
   * @param handle the controller's handle
   * @return false for a handle that is not open, before the first frame and after 100 ms without
   */
  public static native boolean c_Torqa_isConnected(long handle);

  /**
   * Milliseconds since the newest status frame arrived, by the HAL's receive time. Never waits.
   *
   * @param handle the controller's handle
   * @return the age, or -1 before any frame and for a handle that is not open
   */
  public static native long c_Torqa_getDataAgeMs(long handle);

  /**
   * The controller's health: heard from or not, the age of its newest status frame, and its
   * failed sends and status reads since it was opened. Never waits.
   *
   * @param handle the controller's handle
   * @return the record (an empty one for a handle that is not open), or null when the VM is out
   *     of memory
   */
  public static native com.korvane.frc.DeviceFaults c_Torqa_getFaults(long handle);

  /**
   * A motor's speed, if its frame has come.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3
   * @param out an array of at least one element; out[0] receives the RPM
   * @return true with out[0] set when the frame is there; false, out untouched, otherwise or when
   *     out is null or empty
   */
  public static native boolean c_Torqa_tryGetRPM(long handle, int motor, double[] out);

  /**
   * As {@link #c_Torqa_tryGetRPM} for the speed a motor is aiming at.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; false for any other
   * @param out an array of at least one element; out[0] receives the target RPM
   * @return true with out[0] set when the frame is there; false, out untouched, otherwise
   */
  public static native boolean c_Torqa_tryGetTargetRPM(long handle, int motor, double[] out);

  /**
   * The target speeds of motors 0 to 3.
   *
   * @param handle the controller's handle
   * @return the four target RPMs, or null unless all four frames are there
   */
  public static native double[] c_Torqa_getTargetRPMFromDevice(long handle);

  // Telemetry from the recent frames: the readings above, decoded from a status frame read through
  // the HAL less than 1 ms ago (by any of these calls, on any thread, with the controller's other
  // status frames) instead of reading it again, so that the getters of one robot loop make one HAL
  // call per controller. Only for a controller opened with c_Torqa_create and not destroyed; with
  // any other handle each call reads the HAL. Each returns at once.

  /**
   * {@link #c_Torqa_getFrequency} from the recent frames.
   *
   * @param handle the controller's handle
   * @return Hz, 0 when no frame has come
   */
  public static native int c_Torqa_getRecentFrequency(long handle);

  /**
   * {@link #c_Torqa_getControllerTemp} from the recent frames.
   *
   * @param handle the controller's handle
   * @return degrees, 0 when no frame has come
   */
  public static native double c_Torqa_getRecentControllerTemp(long handle);

  /**
   * {@link #c_Torqa_getRPM} from the recent frames.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; any other reads motor 0's frame
   * @return RPM, 0 when no frame has come
   */
  public static native double c_Torqa_getRecentRPM(long handle, int motor);

  /**
   * {@link #c_Torqa_getEncoderSpeed} from the recent frames (the frame of {@link
   * #c_Torqa_getRecentRPM}).
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; any other reads motor 0's frame
   * @return RPM, 0 when no frame has come
   */
  public static native double c_Torqa_getRecentEncoderSpeed(long handle, int motor);

  /**
   * {@link #c_Torqa_getEncoderCount} from the recent frames.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; any other reads motor 0's frame
   * @return encoder counts, 0 when no frame has come
   */
  public static native int c_Torqa_getRecentEncoderCount(long handle, int motor);

  /**
   * {@link #c_Torqa_getLimitSwitch} from the recent frames.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; false for any other
   * @param selector true for the second switch
   * @return the switch byte (any non-zero value reads as true)
   */
  public static native boolean c_Torqa_getRecentLimitSwitch(
      long handle, int motor, boolean selector);

  /**
   * {@link #c_Torqa_getOrvixPosition} from the recent frames.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; 0.0 for any other
   * @return the position, to 0.01
   */
  public static native double c_Torqa_getRecentOrvixPosition(long handle, int motor);

  /**
   * {@link #c_Torqa_tryGetRPM} from the recent frames.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; any other reads motor 0's frame
   * @param out an array of at least one element; out[0] receives the RPM
   * @return true with out[0] set when the frame is there; false, out untouched, otherwise
   */
  public static native boolean c_Torqa_tryGetRecentRPM(long handle, int motor, double[] out);

  /**
   * {@link #c_Torqa_tryGetTargetRPM} from the recent frames.
   *
   * @param handle the controller's handle
   * @param motor 0 to 3; false for any other
   * @param out an array of at least one element; out[0] receives the target RPM
   * @return true with out[0] set when the frame is there; false, out untouched, otherwise
   */
  public static native boolean c_Torqa_tryGetRecentTargetRPM(long handle, int motor, double[] out);

  /**
   * The target speeds of motors 0 to 3 from the recent frames, into the caller's array.
   *
   * @param handle the controller's handle
   * @param into an array of at least 4 elements; elements 0 to 3 receive the target RPMs
   * @return true when all four frames are there; false, into untouched, otherwise (or when into is
   *     null or shorter than 4)
   */
  public static native boolean c_Torqa_getRecentTargetRPMs(long handle, double[] into);

  /**
   * The four motors' speeds and encoder counts at once, each as new as the CAN bus had at the call:
   * one collection of the controller's status frames, for a robot loop that reads every motor.
   * Returns at once.
   *
   * @param handle the controller's handle
   * @param into an array of at least 8 elements; elements 0 to 3 receive the RPMs of motors 0 to 3
   *     (0 where not reported), elements 4 to 7 their encoder counts
   * @return true when filled; false, into untouched, for a handle that is not open (or when into
   *     is null or shorter than 8)
   */
  public static native boolean c_Torqa_readMotorTelemetry(long handle, double[] into);

  // Identity: the first three share an info record fetched once per handle (up to eight requests,
  // about 1.1 s in all while the controller does not answer) and then kept.

  /**
   * The device number the controller reports about itself. Blocks about 50 ms the first time, up
   * to about 1.1 s while the controller does not answer.
   *
   * @param handle the controller's handle
   * @return the device number in the controller's info record, or 0 when it does not answer
   */
  public static native int c_Torqa_getID(long handle);

  /**
   * The controller's firmware version. Blocks as {@link #c_Torqa_getID}.
   *
   * @param handle the controller's handle
   * @return for example "Firmware Version: [1.2.10]", or "Firmware Version: (read failed)"
   */
  public static native String c_Torqa_getFirmwareVersion(long handle);

  /**
   * The controller's model and hardware version. Blocks as {@link #c_Torqa_getID}.
   *
   * @param handle the controller's handle
   * @return for example "Hardware: Torqa Quad, Version: 5"; "No Hardware Found!" for an unknown
   *     model, "Hardware: (read failed)" when the controller does not answer
   */
  public static native String c_Torqa_getHardwareVersion(long handle);

  /**
   * Asks for the serial number and reads its three words 10 ms later. Blocks about 10 ms.
   *
   * @param handle the controller's handle
   * @return three words in hexadecimal, e.g. "0012A4F0-00000000-DEADBEEF"; a word that did not
   *     come is 00000000
   */
  public static native String c_Torqa_getSerialNumber(long handle);
}
