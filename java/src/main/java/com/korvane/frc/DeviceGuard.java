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
 * The life of one open device object and the rules for calling its driver, the same for every
 * device class:
 *
 * <ul>
 *   <li>calls run side by side, and beside one command; commands run one at a time;
 *   <li>{@link #close} waits for every call in progress and runs the driver's destroy once;
 *       afterwards every call returns its "closed" value without reaching the driver;
 *   <li>the object's queue of asynchronous calls lives here, holding the library's executor while
 *       the object is open;
 *   <li>readings (the getters a robot loop calls every period) take no lock at all: see {@link
 *       #readingHandle}.
 * </ul>
 *
 * <p>Objects of one device class may form a {@link Family} when the driver's state is not theirs
 * alone: a driver whose destroy touches every object, or one that takes one call at a time, has
 * its objects share their locks; a driver that keeps one device for the whole process has a newer
 * object replace the one before it.
 *
 * <p>Devices the driver keeps one of take no handle: they open with {@link #NO_HANDLE}, and their
 * calls ignore the handle they are given.
 */
final class DeviceGuard {
  /** What a device without a handle is open as. */
  static final long NO_HANDLE = -1;

  /** The objects of one device class, and what they share. */
  static final class Family {
    private final boolean onePerProcess;
    // Null when each object has its own.
    private final ReadWriteLock lifetime;
    private final Object commands;
    // The object that holds a one-per-process device now; guarded by the family's monitor.
    private DeviceGuard current;

    private Family(boolean onePerProcess, boolean sharedDriver) {
      this.onePerProcess = onePerProcess;
      this.lifetime = sharedDriver ? new ReentrantReadWriteLock() : null;
      this.commands = sharedDriver ? new Object() : null;
    }

    /**
     * Objects whose driver state is shared: opening or closing any of them waits for every call
     * of every object (and holds back new ones), and commands run one at a time across all of
     * them.
     */
    static Family sharedDriver() {
      return new Family(false, true);
    }

    /**
     * A device the process has one of, whose driver takes concurrent calls: each object keeps its
     * own locks, and opening another object replaces the one before it.
     */
    static Family onePerProcess() {
      return new Family(true, false);
    }

    /** A device the process has one of, whose driver state every object shares (both above). */
    static Family onePerProcessSharedDriver() {
      return new Family(true, true);
    }
  }

  private final Family family;
  private final ReadWriteLock lifetime;
  private final Object commands;
  private final SerialQueue queue = new SerialQueue();
  // Written under the lifetime's write lock; read without it only to answer isOpen and handle.
  private volatile long handle;

  private DeviceGuard(Family family, long handle) {
    this.family = family;
    this.lifetime =
        family != null && family.lifetime != null ? family.lifetime : new ReentrantReadWriteLock();
    this.commands = family != null && family.commands != null ? family.commands : new Object();
    this.handle = handle;
  }

  /**
   * Opens an object that shares nothing with the others of its class.
   *
   * @param create the driver's create, returning the handle or 0 when it failed
   * @return the guard, or null when create returned 0
   */
  static DeviceGuard open(LongSupplier create) {
    long handle = create.getAsLong();
    return handle == 0 ? null : new DeviceGuard(null, handle);
  }

  /**
   * Opens an object of a family. Openings and closings of one family run one at a time. In a
   * one-per-process family the object that held the device is closed first, once its calls in
   * progress have finished: its calls return their closed values from then on, its queue lets go
   * of the executor, and its {@link #close} leaves the device, the newer object's, alone.
   *
   * @param create the driver's create, returning the handle ({@link #NO_HANDLE} for a device
   *     without one) or 0 when it failed
   * @return the guard, or null when create returned 0
   */
  static DeviceGuard open(Family family, LongSupplier create) {
    synchronized (family) {
      Lock shared = family.lifetime == null ? null : family.lifetime.writeLock();
      if (shared != null) {
        shared.lock();
      }
      try {
        if (family.onePerProcess && family.current != null) {
          family.current.shut();
          family.current = null;
        }
        long handle = create.getAsLong();
        if (handle == 0) {
          return null;
        }
        DeviceGuard guard = new DeviceGuard(family, handle);
        if (family.onePerProcess) {
          family.current = guard;
        }
        return guard;
      } finally {
        if (shared != null) {
          shared.unlock();
        }
      }
    }
  }

  /** Whether the object is open. Returns at once, even while it is being closed. */
  boolean isOpen() {
    return handle != 0;
  }

  /** The driver's handle, 0 once closed. Returns at once. */
  long handle() {
    return handle;
  }

  /** A call that may run beside other calls and one command. */
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

  /**
   * Begins a reading: the driver's handle, 0 once closed. A reading is a driver call that changes
   * nothing and is safe on a handle the driver no longer has (it answers with its failure value),
   * so it needs no lock: it neither waits for an opening or a closing nor holds one up. After the
   * driver call, {@link #stillOpen} says whether the result counts; a reading that raced {@link
   * #close} gives the closed value instead, as if it had come after it. No lambda and no lock: for
   * the getters a robot loop calls every period, which must cost next to nothing and allocate
   * nothing.
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

  /**
   * Begins a call that may run beside other calls and one command, without a lambda: the driver's
   * handle, 0 once closed. Every {@code enter} is followed by one {@link #leave}, in a finally
   * block, whatever it returned.
   */
  long enter() {
    lifetime.readLock().lock();
    return handle;
  }

  /** Ends a call begun by {@link #enter}. */
  void leave() {
    lifetime.readLock().unlock();
  }

  /** A call without a result that may run beside other calls and one command. */
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

  /** A call that runs alone among the commands (of the family, where it shares its driver). */
  <T> T command(LongFunction<T> driverCall, T closed) {
    synchronized (commands) {
      return call(driverCall, closed);
    }
  }

  /** A command without a result. */
  void command(LongConsumer driverCall) {
    synchronized (commands) {
      call(driverCall);
    }
  }

  /** A blocking call queued in order on the library executor. */
  <T> CompletableFuture<T> async(Supplier<T> blocking, T closed) {
    return queue.submit(blocking, closed);
  }

  /**
   * Runs destroy once, after every call in progress, unless a newer object replaced this one.
   * Safe to call again and from any thread.
   */
  void close(LongConsumer destroy) {
    if (family == null) {
      closeNow(destroy);
      return;
    }
    synchronized (family) {
      closeNow(destroy);
      if (family.current == this) {
        family.current = null;
      }
    }
  }

  private void closeNow(LongConsumer destroy) {
    Lock lock = lifetime.writeLock();
    lock.lock();
    try {
      long h = handle;
      if (h != 0) {
        destroy.accept(h);
        handle = 0;
        queue.release();
      }
    } finally {
      lock.unlock();
    }
  }

  /** Closes this object without destroying anything: a newer object holds the device now. */
  private void shut() {
    closeNow(h -> {});
  }
}
