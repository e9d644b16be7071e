package com.korvane.frc;

import java.util.concurrent.CompletableFuture;
import java.util.function.Supplier;

/**
 * One object of a device the process has only one of (Linvo, MockDS), whose driver takes one call
 * at a time: every call of every object of the class runs under the class's lock, and reaches the
 * driver only while this object is open. Opening another object of the class replaces this one:
 * it is closed from then on, and its {@link #close} leaves the device, now the newer object's,
 * alone. Also holds the object's queue of asynchronous calls.
 */
final class SharedDeviceGuard {
  /** The object of a class that holds its device now; guarded by the class's lock. */
  static final class Holder {
    private SharedDeviceGuard current;
  }

  private final Object classLock;
  private final Holder holder;
  private final SerialQueue queue = new SerialQueue();
  private boolean open = true;

  /**
   * Guards an object that has just been opened under classLock, closing the one that held the
   * device before it.
   */
  SharedDeviceGuard(Object classLock, Holder holder) {
    this.classLock = classLock;
    this.holder = holder;
    if (holder.current != null) {
      holder.current.open = false;
      holder.current.queue.release();
    }
    holder.current = this;
  }

  boolean isOpen() {
    synchronized (classLock) {
      return open;
    }
  }

  /** A call that reaches the driver only while open. */
  <T> T call(Supplier<T> call, T closed) {
    synchronized (classLock) {
      return open ? call.get() : closed;
    }
  }

  /** A call that reaches the driver only while open. */
  void run(Runnable call) {
    synchronized (classLock) {
      if (open) {
        call.run();
      }
    }
  }

  /** A blocking call queued in order on the library executor. */
  <T> CompletableFuture<T> async(Supplier<T> blocking, T closed) {
    return queue.submit(blocking, closed);
  }

  /** Runs destroy once, unless a newer object replaced this one; safe to call again. */
  void close(Runnable destroy) {
    synchronized (classLock) {
      if (open) {
        open = false;
        holder.current = null;
        destroy.run();
        queue.release();
      }
    }
  }
}
