package com.korvane.frc.sim;

/**
 * Thrown by the simulation controls when their native libraries ({@code KorvanePlatform},
 * {@code KorvaneSim}) cannot be loaded on this platform. The message names the operating system
 * and architecture, the file looked for and the platforms the native zips cover.
 */
public class SimulationUnavailableException extends RuntimeException {
  /** The serialised form's version. */
  private static final long serialVersionUID = 1L;

  /**
   * Creates the exception.
   *
   * @param reason why the simulation controls cannot be used
   */
  public SimulationUnavailableException(String reason) {
    super(reason);
  }
}
