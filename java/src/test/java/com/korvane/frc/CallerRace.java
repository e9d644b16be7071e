package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertFalse;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicLong;
import java.util.function.Supplier;

/**
 * Callers that keep calling through whatever object is current while the test's own thread
 * replaces, closes or destroys it: the calls must neither crash nor give anything but their open
 * or closed values.
 */
final class CallerRace {
  private static final long CHURN_DEADLINE_NANOS = TimeUnit.SECONDS.toNanos(20);
  private static final long JOIN_MILLIS = TimeUnit.SECONDS.toMillis(30);

  /** One caller's calls on the object current when it starts them. */
  @FunctionalInterface
  interface Calls<T> {
    void on(T current) throws Exception;
  }

  /** One round of replacing or closing the current object, on the test's thread. */
  @FunctionalInterface
  interface Round {
    void run(int round) throws Exception;
  }

  private CallerRace() {}

  /**
   * Starts {@code callers} threads that run {@code calls} on {@code current.get()} over and over,
   * runs {@code churn} until at least {@code minRounds} rounds and {@code minCalls} calls are done
   * (or a generous deadline passes, or a caller fails), then stops and joins the callers. The
   * first failure, a caller's or the churn's, is thrown with the others suppressed.
   *
   * @return how many times the callers ran {@code calls} through
   */
  static <T> long race(
      int callers, Supplier<T> current, Calls<T> calls, Round churn, int minRounds, long minCalls)
      throws Exception {
    AtomicBoolean done = new AtomicBoolean();
    AtomicLong count = new AtomicLong();
    ConcurrentLinkedQueue<Throwable> failures = new ConcurrentLinkedQueue<>();
    List<Thread> threads = new ArrayList<>();
    try {
      for (int i = 0; i < callers; i++) {
        Thread caller =
            new Thread(
                () -> {
                  try {
                    while (!done.get()) {
                      calls.on(current.get());
                      count.incrementAndGet();
                    }
                  } catch (Throwable t) {
                    failures.add(t);
                  }
                },
                "caller-race-" + i);
        caller.start();
        threads.add(caller);
      }
      long start = System.nanoTime();
      for (int round = 0;
          (round < minRounds || count.get() < minCalls)
              && failures.isEmpty()
              && System.nanoTime() - start < CHURN_DEADLINE_NANOS;
          round++) {
        churn.run(round);
      }
    } catch (Throwable t) {
      failures.add(t);
    } finally {
      done.set(true);
      for (Thread caller : threads) {
        caller.join(JOIN_MILLIS);
      }
    }
    for (Thread caller : threads) {
      assertFalse(caller.isAlive(), () -> caller.getName() + " did not stop");
    }
    rethrowFirst(failures);
    return count.get();
  }

  private static void rethrowFirst(ConcurrentLinkedQueue<Throwable> failures) throws Exception {
    Throwable first = failures.poll();
    if (first == null) {
      return;
    }
    for (Throwable other : failures) {
      first.addSuppressed(other);
    }
    if (first instanceof Exception exception) {
      throw exception;
    }
    if (first instanceof Error error) {
      throw error;
    }
    throw new AssertionError("a caller failed", first);
  }
}
