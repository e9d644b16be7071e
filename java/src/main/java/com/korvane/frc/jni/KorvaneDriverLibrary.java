package com.korvane.frc.jni;

import java.util.List;

/**
 * Loads the native driver library ({@code libKorvaneDriver.so}, {@code KorvaneDriver.dll}) once,
 * from {@code java.library.path}. A library that is missing or cannot be loaded (a platform no
 * native zip covers, a wrong architecture, a broken install) never throws into the program: the
 * device classes then refuse to open with a {@code DeviceOpenException} saying why.
 */
public final class KorvaneDriverLibrary {
  /** The version of this jar, e.g. "0.1"; the native library built with it reports the same. */
  public static final String VERSION = KorvaneBuildInfo.VERSION;

  /** The platforms this release's native zips cover, in WPILib's names (e.g. "linuxx86-64"). */
  public static final List<String> PLATFORMS = List.of(KorvaneBuildInfo.PLATFORMS.split(","));

  private static final String NAME = "KorvaneDriver";

  private static boolean attempted;
  // Why the library could not be loaded; null once it is.
  private static String failure;

  private KorvaneDriverLibrary() {}

  /**
   * Loads the driver library if that was not tried yet. Never throws: a failure is remembered, and
   * every later call returns false at once.
   *
   * @return whether the library is loaded
   */
  public static synchronized boolean load() {
    if (!attempted) {
      attempted = true;
      try {
        if (System.getProperty("os.name", "").startsWith("Windows")) {
          // The driver DLL needs the platform DLL beside it; Windows looks for a DLL's
          // dependencies in the program's folder and on PATH, not in the DLL's own folder, but
          // takes one already loaded by name.
          try {
            System.loadLibrary("KorvanePlatform");
          } catch (LinkageError | SecurityException notThere) {
            // the driver's own load below says what is missing
          }
        }
        System.loadLibrary(NAME);
      } catch (LinkageError | SecurityException e) {
        failure = describe(e);
      }
    }
    return failure == null;
  }

  /**
   * Why the driver library could not be loaded, after {@link #load()} returned false: the
   * operating system and architecture, the file looked for and where, what the system said, and
   * the platforms the native zips cover.
   *
   * @return the reason, or null while the library is loaded or was not tried yet
   */
  public static synchronized String unavailableReason() {
    return failure;
  }

  /**
   * The version the loaded native library was built as (loading it first); differs from {@link
   * #VERSION} when the jar and the native library come from different releases.
   *
   * @return the native library's version, e.g. "0.1"; null when it cannot be loaded
   */
  public static String nativeVersion() {
    return load() ? c_version() : null;
  }

  private static String describe(Throwable e) {
    String os = System.getProperty("os.name", "?");
    String arch = System.getProperty("os.arch", "?");
    return "the Korvane native library cannot be loaded on "
        + os
        + " "
        + arch
        + ": "
        + System.mapLibraryName(NAME)
        + " was looked for in java.library.path ("
        + System.getProperty("java.library.path", "")
        + ") and "
        + e.getClass().getSimpleName()
        + " said: "
        + e.getMessage()
        + ". The native zips cover "
        + String.join(", ", PLATFORMS)
        + "; on another platform build the natives from source (see the README)";
  }

  private static native String c_version();
}
