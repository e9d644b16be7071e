package com.korvane.frc.sim;

/** Loads the platform stand-in and the device simulators once, from {@code java.library.path}. */
final class SimLibraries {
  private static boolean platformLoaded;
  private static boolean simulatorsLoaded;

  private SimLibraries() {}

  static synchronized void loadPlatform() {
    if (!platformLoaded) {
      System.loadLibrary("KorvanePlatform");
      platformLoaded = true;
    }
  }

  static synchronized void loadSimulators() {
    loadPlatform();
    if (!simulatorsLoaded) {
      System.loadLibrary("KorvaneSim");
      simulatorsLoaded = true;
    }
  }
}
