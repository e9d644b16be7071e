package com.korvane.frc.jni;

/**
 * Native operations of the mock driver station, which sends a driver-station control packet to
 * UDP 127.0.0.1:1110 every 20 ms. There is one per process, so no handle.
 *
 * <p>Create must not run at the same time as any other call; {@link com.korvane.frc.MockDS}
 * takes care of that.
 */
public final class MockDSJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private MockDSJNI() {}

  /** Starts sending (robot disabled); replaces a mock driver station created before. */
  public static native void c_MockDS_create();

  /** Marks the robot enabled (after a warm-up of 50 enabled cycles, one second). */
  public static native void c_MockDS_enable();

  /** Marks the robot disabled. */
  public static native void c_MockDS_disable();

  /** The same as disable: packets keep going out, marked disabled. */
  public static native void c_MockDS_destroy();
}
