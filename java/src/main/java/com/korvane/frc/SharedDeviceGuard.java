package com.korvane.frc;

import java.util.concurrent.CompletableFuture;
import java.util.function.Supplier;

/**
 * One object of a device the process has only one of (Linvo, MockDS), whose driver takes one call
 * at a time: every call of every object of the class runs under the class's lock, and reaches the
 * driver only while this object is open. Also holds the object's queue of asynchronous calls.
 */
final class SharedDeviceGuard {
  private final Object classLock;
  private final SerialQueue queue = new SerialQueue();
  private boolean open = true;

  /** Guards an object that has just been opened under classLock. */
  SharedDeviceGuard(Object classLock) {
    this.classLock = classLock;
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

  /** Runs destroy once; safe to call again and from any thread. */
  void close(Runnable destroy) {
    synchronized (classLock) {
      if (open) {
        open = false;
        destroy.run();
        queue.release();
      }
    }
  }
}
