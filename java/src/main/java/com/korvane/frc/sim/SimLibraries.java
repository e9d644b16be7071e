package com.korvane.frc.sim;

import com.korvane.frc.jni.KorvaneDriverLibrary;

/**
 * Loads the platform library and the device simulators once, from {@code java.library.path}. A
 * library that cannot be loaded never throws out of a class's initialisation: every control
 * throws {@link SimulationUnavailableException} instead, every time it is called.
 */
final class SimLibraries {
  private static boolean platformTried;
  private static String platformFailure;
  private static boolean simulatorsTried;
  private static String simulatorsFailure;

  private SimLibraries() {}

  static synchronized void loadPlatform() {
    if (!platformTried) {
      platformTried = true;
      platformFailure = load("KorvanePlatform");
    }
  }

  static synchronized void loadSimulators() {
    loadPlatform();
    if (!simulatorsTried) {
      simulatorsTried = true;
      simulatorsFailure = platformFailure != null ? platformFailure : load("KorvaneSim");
    }
  }

  /** Throws unless the platform library is loaded (loading it first). */
  static synchronized void requirePlatform() {
    loadPlatform();
    if (platformFailure != null) {
      throw new SimulationUnavailableException(platformFailure);
    }
  }

  /** Throws unless the platform library and the simulators are loaded (loading them first). */
  static synchronized void requireSimulators() {
    loadSimulators();
    if (simulatorsFailure != null) {
      throw new SimulationUnavailableException(simulatorsFailure);
    }
  }

  // Null when loaded, else why not.
  private static String load(String name) {
    try {
      System.loadLibrary(name);
      return null;
    } catch (LinkageError | SecurityException e) {
      return "the Korvane simulation controls cannot be used on "
          + System.getProperty("os.name", "?")
          + " "
          + System.getProperty("os.arch", "?")
          + ": "
          + System.mapLibraryName(name)
          + " was looked for in java.library.path ("
          + System.getProperty("java.library.path", "")
          + ") and "
          + e.getClass().getSimpleName()
          + " said: "
          + e.getMessage()
          + ". The native zips cover "
          + String.join(", ", KorvaneDriverLibrary.PLATFORMS);
    }
  }
}
