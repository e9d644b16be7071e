package com.korvane.frc.jni;

/** Loads {@code libKorvaneDriver.so} once, from {@code java.library.path}. */
public final class KorvaneDriverLibrary {
  private static boolean loaded;

  private KorvaneDriverLibrary() {}

  /** Loads the driver library if it is not loaded yet. */
  public static synchronized void load() {
    if (!loaded) {
      System.loadLibrary("KorvaneDriver");
      loaded = true;
    }
  }
}
