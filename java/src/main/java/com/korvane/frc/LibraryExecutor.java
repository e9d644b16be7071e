package com.korvane.frc;

import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.ThreadFactory;
import java.util.concurrent.ThreadPoolExecutor;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.function.Supplier;

/**
 * The library's one executor for the {@code ...Async} calls: at most {@link #THREADS} daemon
 * threads named "korvane-async-N", started on demand and ended after {@link #IDLE_SECONDS} idle.
 * Every open device holds it; closing the last device shuts it down (calls already queued still
 * run and find their device closed), and so does the JVM's exit.
 */
final class LibraryExecutor {
  static final int THREADS = 3;
  static final long IDLE_SECONDS = 5;

  private static final AtomicInteger threadCount = new AtomicInteger();
  private static ThreadPoolExecutor executor;
  private static int users;
  private static boolean exitHookAdded;

  private LibraryExecutor() {}

  /** Registers one device as a user, starting the executor when there is none. */
  static synchronized ExecutorService acquire() {
    if (executor == null) {
      executor = create();
      addExitHook();
    }
    users++;
    return executor;
  }

  /** Unregisters a device; the last one shuts the executor down. Idempotence is the caller's. */
  static synchronized void release(ExecutorService held) {
    if (held != executor) {
      return;
    }
    users--;
    if (users == 0) {
      executor.shutdown();
      executor = null;
    }
  }

  /**
   * Runs a device's opening on a library thread, holding the executor meanwhile. The future
   * completes with the open device, or exceptionally with the constructor's exception.
   */
  static <T> CompletableFuture<T> open(Supplier<T> opening) {
    ExecutorService held = acquire();
    try {
      return CompletableFuture.supplyAsync(opening, held)
          .whenComplete((device, failure) -> release(held));
    } catch (RuntimeException refused) {
      release(held);
      throw refused;
    }
  }

  /** The running executor, or null when no device is open. */
  static synchronized ExecutorService current() {
    return executor;
  }

  private static ThreadPoolExecutor create() {
    ThreadFactory daemons =
        task -> {
          Thread thread = new Thread(task, "korvane-async-" + threadCount.incrementAndGet());
          thread.setDaemon(true);
          return thread;
        };
    ThreadPoolExecutor pool =
        new ThreadPoolExecutor(
            THREADS, THREADS, IDLE_SECONDS, TimeUnit.SECONDS, new LinkedBlockingQueue<>(), daemons);
    pool.allowCoreThreadTimeOut(true);
    return pool;
  }

  private static void addExitHook() {
    if (exitHookAdded) {
      return;
    }
    exitHookAdded = true;
    try {
      Runtime.getRuntime()
          .addShutdownHook(new Thread(LibraryExecutor::shutDownAtExit, "korvane-async-exit"));
    } catch (IllegalStateException alreadyExiting) {
      // The JVM is exiting: its daemon threads end with it.
    }
  }

  private static synchronized void shutDownAtExit() {
    if (executor != null) {
      executor.shutdown();
      executor = null;
      users = 0;
    }
  }
}
