package com.korvane.frc.jni;

/**
 * Native operations of the mock driver station, which sends a driver-station control packet to
 * UDP 127.0.0.1:1110 every 20 ms. There is one per process, so no handle. Before the first create
 * the other calls do nothing.
 *
 * <p>Create must not run at the same time as any other call.
 *
 * <p>The operations that take a handle act through one opening of the sender, and any thread may
 * make them at any time: {@link #c_MockDS_open} starts a sender as {@link #c_MockDS_create} does
 * and names it by a handle never given before. It sends until a newer one (from either language)
 * replaces it; from then on its operations act on nothing.
 */
public final class MockDSJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private MockDSJNI() {}

  /**
   * Starts a new sender (robot disabled, sequence 0, a fresh warm-up), then stops and joins the
   * one it replaces, which takes up to one 20 ms cycle. When the sender cannot start, an error
   * line is logged and the previous one keeps sending. On a real robot, where the robot's own
   * communications listen on that port, and in a build against WPILib 2027, which takes none of
   * these packets, nothing starts (a sender running is stopped), nothing is sent, and an error
   * line and a driver-station report say why.
   */
  public static native void c_MockDS_create();

  /**
   * Marks the robot enabled; the first 50 enabled cycles of a sender (one second) still say
   * disabled. Returns at once.
   */
  public static native void c_MockDS_enable();

  /** Marks the robot disabled. Returns at once. */
  public static native void c_MockDS_disable();

  /** The same as disable: packets keep going out, marked disabled, until the library unloads. */
  public static native void c_MockDS_destroy();

  /**
   * Whether a sender runs. Returns at once.
   *
   * @return false before the first create and after a create that was refused
   */
  public static native boolean c_MockDS_isSending();

  // Through an opening.

  /**
   * Starts a new sender as {@link #c_MockDS_create} does, replacing the one that sends.
   *
   * @return the sender's handle, never reused; 0 when nothing started (a real robot, WPILib 2027,
   *     or a thread that could not start: the error line says which)
   */
  public static native long c_MockDS_open();

  /**
   * {@link #c_MockDS_enable} while the sender under the handle sends.
   *
   * @param handle the sender
   */
  public static native void c_MockDS_enableOpened(long handle);

  /**
   * {@link #c_MockDS_disable} while the sender under the handle sends.
   *
   * @param handle the sender
   */
  public static native void c_MockDS_disableOpened(long handle);
}
