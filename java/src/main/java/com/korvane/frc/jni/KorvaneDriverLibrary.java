package com.korvane.frc.jni;

/** Loads {@code libKorvaneDriver.so} once, from {@code java.library.path}. */
public final class KorvaneDriverLibrary {
  /** The version of this jar, e.g. "0.1"; the native library built with it reports the same. */
  public static final String VERSION = KorvaneBuildInfo.VERSION;

  private static boolean loaded;

  private KorvaneDriverLibrary() {}

  /** Loads the driver library if it is not loaded yet. */
  public static synchronized void load() {
    if (!loaded) {
      System.loadLibrary("KorvaneDriver");
      loaded = true;
    }
  }

  /**
   * The version the loaded {@code libKorvaneDriver.so} was built as (loading it first); differs
   * from {@link #VERSION} when the jar and the native library come from different releases.
   *
   * @return the native library's version, e.g. "0.1"
   */
  public static String nativeVersion() {
    load();
    return c_version();
  }

  private static native String c_version();
}
