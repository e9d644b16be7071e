package com.korvane.frc;

import java.util.concurrent.CompletableFuture;
import java.util.concurrent.locks.ReentrantReadWriteLock;
import java.util.function.LongConsumer;
import java.util.function.LongFunction;
import java.util.function.Supplier;

/**
 * The native handle of one device object (Kromel, Dystan, LidarMini) and the rules for using it:
 * reads run concurrently with each other and with one command; commands run one at a time;
 * {@link #close} waits for every call in progress, and afterwards each call gets its "closed"
 * value without reaching the driver. It also holds the device's queue of asynchronous calls.
 */
final class HandleGuard {
  private final ReentrantReadWriteLock lifetime = new ReentrantReadWriteLock();
  private final Object commands = new Object();
  private final SerialQueue queue = new SerialQueue();
  private long handle;

  /** Guards a handle the driver returned (not 0). */
  HandleGuard(long handle) {
    this.handle = handle;
  }

  boolean isOpen() {
    lifetime.readLock().lock();
    try {
      return handle != 0;
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /** A call that may run beside other reads and one command. */
  <T> T read(LongFunction<T> call, T closed) {
    lifetime.readLock().lock();
    try {
      return handle == 0 ? closed : call.apply(handle);
    } finally {
      lifetime.readLock().unlock();
    }
  }

  /** A call that runs alone among the device's commands (reads may run beside it). */
  <T> T command(LongFunction<T> call, T closed) {
    synchronized (commands) {
      return read(call, closed);
    }
  }

  /** A blocking call queued in order on the library executor. */
  <T> CompletableFuture<T> async(Supplier<T> blocking, T closed) {
    return queue.submit(blocking, closed);
  }

  /** Runs destroy once, after every call in progress; safe to call again and from any thread. */
  void close(LongConsumer destroy) {
    lifetime.writeLock().lock();
    try {
      if (handle != 0) {
        destroy.accept(handle);
        handle = 0;
        queue.release();
      }
    } finally {
      lifetime.writeLock().unlock();
    }
  }
}
