package com.korvane.frc;

import java.util.concurrent.CompletableFuture;
import java.util.concurrent.locks.Lock;
import java.util.concurrent.locks.ReadWriteLock;
import java.util.concurrent.locks.ReentrantReadWriteLock;
import java.util.function.LongConsumer;
import java.util.function.LongFunction;
import java.util.function.LongSupplier;
import java.util.function.Supplier;

/**
 * The driver's handle of one open device object, the same for every device class:
 *
 * <ul>
 *   <li>after {@link #close} every call returns its "closed" value without reaching the driver;
 *   <li>{@link #close} runs the driver's destroy once, after the calls in progress;
 *   <li>the object's queue of asynchronous calls lives here, holding the library's executor while
 *       the object is open;
 *   <li>readings (the getters a robot loop calls every period) take no lock at all: see {@link
 *       #readingHandle}.
 * </ul>
 *
 * <p>Everything else is the driver's: a handle it no longer holds (closed, or a one-per-process
 * device replaced by a newer object, from Java or C++) reaches nothing and gives the call's failure
 * value; a call holds its object, and destroy waits for it; commands that must not overlap take
 * turns.
 *
 * <p>Close still waits here for this object's calls in progress because a handle may name a
 * later object once destroyed: the address of a sensor, the CAN handle of a motor controller
 * opened again on the same device number. A call that read the handle just before the destroy and
 * reached the driver just after would act on that later object. Calls hold a read lock of this
 * object alone, so they never wait for one another.
 */
final class DeviceGuard {
  private final ReadWriteLock lifetime = new ReentrantReadWriteLock();
  private final SerialQueue queue = new SerialQueue();
  // Written under the lifetime's write lock; read without it only by readings and isOpen.
  private volatile long handle;

  private DeviceGuard(long handle) {
    this.handle = handle;
  }

  /**
   * Opens an object.
   *
   * @param create the driver's create, returning the handle or 0 when it failed
   * @return the guard, or null when create returned 0
   */
  static DeviceGuard open(LongSupplier create) {
    long handle = create.getAsLong();
    return handle == 0 ? null : new DeviceGuard(handle);
  }

  /** Whether the object has not been closed. Returns at once, even while it is being closed. */
  boolean isOpen() {
    return handle != 0;
  }

  /** The driver's handle, 0 once closed. Returns at once. */
  long handle() {
    return handle;
  }

  /** A call, which may run beside this object's other calls. */
  <T> T call(LongFunction<T> driverCall, T closed) {
    Lock lock = lifetime.readLock();
    lock.lock();
    try {
      long h = handle;
      return h == 0 ? closed : driverCall.apply(h);
    } finally {
      lock.unlock();
    }
  }

  /** A call without a result. */
  void call(LongConsumer driverCall) {
    Lock lock = lifetime.readLock();
    lock.lock();
    try {
      long h = handle;
      if (h != 0) {
        driverCall.accept(h);
      }
    } finally {
      lock.unlock();
    }
  }

  /**
   * Begins a call without a lambda: the driver's handle, 0 once closed. Every {@code enter} is
   * followed by one {@link #leave}, in a finally block, whatever it returned.
   */
  long enter() {
    lifetime.readLock().lock();
    return handle;
  }

  /** Ends a call begun by {@link #enter}. */
  void leave() {
    lifetime.readLock().unlock();
  }

  /**
   * Begins a reading: the driver's handle, 0 once closed. A reading is a driver call that changes
   * nothing and is safe on a handle the driver no longer has (it answers with its failure value),
   * so it needs no lock: it neither waits for a closing nor holds one up. After the driver call,
   * {@link #stillOpen} says whether the result counts; a reading that raced {@link #close} gives
   * the closed value instead, as if it had come after it. No lambda and no lock: for the getters a
   * robot loop calls every period, which must cost next to nothing and allocate nothing.
   */
  long readingHandle() {
    return handle;
  }

  /**
   * Whether the object is still open under the handle a reading began with, so that the reading's
   * result counts.
   */
  boolean stillOpen(long readingHandle) {
    return readingHandle != 0 && handle == readingHandle;
  }

  /** A blocking call queued in order on the library executor. */
  <T> CompletableFuture<T> async(Supplier<T> blocking, T closed) {
    return queue.submit(blocking, closed);
  }

  /**
   * Runs destroy once, after this object's calls in progress. Safe to call again and from any
   * thread.
   */
  void close(LongConsumer destroy) {
    Lock lock = lifetime.writeLock();
    lock.lock();
    try {
      long h = handle;
      if (h != 0) {
        handle = 0;
        queue.release();
        destroy.accept(h);
      }
    } finally {
      lock.unlock();
    }
  }
}
