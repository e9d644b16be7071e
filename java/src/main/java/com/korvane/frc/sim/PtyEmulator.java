package com.korvane.frc.sim;

import java.util.function.LongConsumer;
import java.util.function.LongFunction;

/**
 * A simulated device on a pseudo-terminal whose {@link #path()} a robot program opens as the
 * device's serial port. It can hang up like an unplugged device, and is stopped for good by
 * {@link #close()}. All methods are thread-safe.
 */
public abstract class PtyEmulator implements AutoCloseable {
  static {
    SimLibraries.loadSimulators();
  }

  private long id;
  private final String path;
  private final LongConsumer hangUp;
  private final LongConsumer stop;

  /** Takes over the native simulator of this id; hangUp and stop are its natives. */
  PtyEmulator(long id, LongFunction<String> path, LongConsumer hangUp, LongConsumer stop) {
    this.id = id;
    this.path = path.apply(id);
    this.hangUp = hangUp;
    this.stop = stop;
  }

  /**
   * The id of a native simulator just started, or else the exception that says none could be.
   *
   * @throws IllegalStateException when the id is 0: no pseudo-terminal could be made (always on
   *     Windows: the emulators serve Linux pseudo-terminals)
   */
  static long started(long id, String device) {
    if (id == 0) {
      throw new IllegalStateException(
          "no pseudo-terminal for the emulated "
              + device
              + " (the emulators serve Linux pseudo-terminals; on Windows open a real device's"
              + " COM port)");
    }
    return id;
  }

  /** The id of the native simulator for calls made holding this object's lock; 0 once closed. */
  final synchronized long id() {
    return id;
  }

  /**
   * The device path to open.
   *
   * @return the pseudo-terminal's path, e.g. "/dev/pts/7"; it stays the same after a hang-up
   */
  public final String path() {
    return path;
  }

  /** Closes the pseudo-terminal: the robot program's reads then fail, as when unplugged. */
  public final synchronized void hangUp() {
    hangUp.accept(id);
  }

  @Override
  public final synchronized void close() {
    if (id != 0) {
      stop.accept(id);
      id = 0;
    }
  }
}
