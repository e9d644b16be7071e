package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.Test;

/**
 * The handle every device class calls its driver through, with stand-in driver calls: what waits
 * for what, what a closed object still reaches, and which calls overlap. What a replaced
 * one-per-process object reaches is the driver's to say: see the device classes' tests.
 */
class DeviceGuardTest {
  private static final long HANDLE = 0x1234;
  private static final long SECONDS = 10;

  private final List<String> events = new CopyOnWriteArrayList<>();

  /** A thread running body, started at once. */
  private static Thread start(Runnable body) {
    Thread thread = new Thread(body);
    thread.setDaemon(true);
    thread.start();
    return thread;
  }

  /** Counts down and waits for the others: true only when all were in at the same time. */
  private static boolean meet(CountDownLatch all) {
    all.countDown();
    try {
      return all.await(SECONDS, TimeUnit.SECONDS);
    } catch (InterruptedException e) {
      return false;
    }
  }

  private static void await(CountDownLatch latch) {
    try {
      assertTrue(latch.await(SECONDS, TimeUnit.SECONDS), "latch");
    } catch (InterruptedException e) {
      throw new AssertionError(e);
    }
  }

  /** Whether a thread is parked on a lock or a monitor, not running. */
  private static boolean parked(Thread thread) {
    Thread.State state = thread.getState();
    return state == Thread.State.WAITING || state == Thread.State.BLOCKED;
  }

  private static void join(Thread thread) throws InterruptedException {
    thread.join(SECONDS * 1000);
    assertFalse(thread.isAlive(), thread + " finished");
  }

  /** A call that says it is running, then runs until released. */
  private Runnable heldCall(
      DeviceGuard guard, String name, CountDownLatch entered, CountDownLatch release) {
    return () ->
        guard.call(
            h -> {
              entered.countDown();
              await(release);
              events.add(name);
            });
  }

  @Test
  void closeWaitsForACallInProgressAndRunsDestroyOnce() throws Exception {
    DeviceGuard guard = DeviceGuard.open(() -> HANDLE);
    assertNotNull(guard);
    CountDownLatch entered = new CountDownLatch(1);
    CountDownLatch release = new CountDownLatch(1);
    Thread caller = start(heldCall(guard, "call finished", entered, release));
    await(entered);

    AtomicInteger destroyed = new AtomicInteger();
    Thread closer =
        start(
            () ->
                guard.close(
                    h -> {
                      assertEquals(HANDLE, h);
                      destroyed.incrementAndGet();
                      events.add("destroyed");
                    }));
    assertTrue(Wait.until(() -> parked(closer)), "close waits");
    assertEquals(0, destroyed.get(), "not destroyed under a call in progress");
    assertTrue(guard.isOpen(), "open until destroyed, and asking does not wait");

    release.countDown();
    join(caller);
    join(closer);
    assertEquals(List.of("call finished", "destroyed"), events);
    guard.close(h -> destroyed.incrementAndGet());
    assertEquals(1, destroyed.get(), "destroy runs once");
  }

  @Test
  void afterCloseCallsGetTheirClosedValueWithoutReachingTheDriver() throws Exception {
    DeviceGuard guard = DeviceGuard.open(() -> HANDLE);
    assertEquals(Integer.valueOf(7), guard.call(h -> 7, -1));
    guard.close(h -> {});

    assertFalse(guard.isOpen());
    assertEquals(0, guard.handle());
    assertEquals(Integer.valueOf(-1), guard.call(h -> fail("call"), -1));
    guard.call(h -> fail("call without a result"));
    assertEquals(
        Integer.valueOf(-3),
        guard.async(() -> fail("queued call"), -3).get(SECONDS, TimeUnit.SECONDS),
        "the queue let the executor go");
    assertEquals(List.of(), events);
  }

  private Integer fail(String what) {
    events.add(what);
    return 0;
  }

  @Test
  void aReadingNeitherWaitsForCloseNorHoldsItUpAndARacedReadingCountsAsClosed() throws Exception {
    DeviceGuard guard = DeviceGuard.open(() -> HANDLE);
    assertNotNull(guard);
    long reading = guard.readingHandle();
    assertEquals(HANDLE, reading);

    // A call in progress holds close up; a reading begun meanwhile goes ahead.
    CountDownLatch entered = new CountDownLatch(1);
    CountDownLatch release = new CountDownLatch(1);
    Thread caller = start(heldCall(guard, "call finished", entered, release));
    await(entered);
    Thread closer = start(() -> guard.close(h -> events.add("destroyed")));
    assertTrue(Wait.until(() -> parked(closer)), "close waits for the call");
    assertEquals(HANDLE, guard.readingHandle(), "a reading begins while close waits");
    assertTrue(guard.stillOpen(reading), "and counts until the object is closed");
    release.countDown();
    join(caller);
    join(closer);

    // The reading begun before the close finished after it: its result does not count.
    assertFalse(guard.stillOpen(reading));
    assertEquals(0, guard.readingHandle());
    assertFalse(guard.stillOpen(0));
    assertEquals(List.of("call finished", "destroyed"), events);
  }

  @Test
  void aFailedCreateGivesNoGuard() {
    assertNull(DeviceGuard.open(() -> 0));
  }

  @Test
  void callsOverlap() throws Exception {
    DeviceGuard guard = DeviceGuard.open(() -> HANDLE);
    CountDownLatch bothIn = new CountDownLatch(2);
    AtomicInteger met = new AtomicInteger();
    Runnable meeting = () -> guard.call(h -> meet(bothIn) ? met.incrementAndGet() : 0, 0);
    Thread one = start(meeting);
    Thread two = start(meeting);
    join(one);
    join(two);
    assertEquals(2, met.get(), "two calls at once");
    guard.close(h -> {});
  }

  @Test
  void closingOneObjectWaitsForItsOwnCallsOnly() throws Exception {
    DeviceGuard one = DeviceGuard.open(() -> 1);
    DeviceGuard two = DeviceGuard.open(() -> 2);
    CountDownLatch callIn = new CountDownLatch(1);
    CountDownLatch callRelease = new CountDownLatch(1);
    Thread caller = start(heldCall(two, "call of two", callIn, callRelease));
    await(callIn);
    one.close(h -> events.add("one destroyed")); // returns while two's call runs
    assertEquals(List.of("one destroyed"), events);
    assertEquals(Integer.valueOf(2), two.call(h -> (int) h, 0), "the other stays open");
    callRelease.countDown();
    join(caller);
    two.close(h -> events.add("two destroyed"));
    assertEquals(List.of("one destroyed", "call of two", "two destroyed"), events);
  }

  @Test
  void aCallBegunWithEnterHoldsCloseUntilItLeaves() throws Exception {
    DeviceGuard guard = DeviceGuard.open(() -> HANDLE);
    assertEquals(HANDLE, guard.enter());
    Thread closer = start(() -> guard.close(h -> events.add("destroyed")));
    try {
      assertTrue(Wait.until(() -> parked(closer)), "close waits for the call");
      assertEquals(List.of(), events);
    } finally {
      guard.leave();
    }
    join(closer);
    assertEquals(List.of("destroyed"), events);
    assertEquals(0, guard.enter(), "a call after close finds no handle");
    guard.leave();
  }
}
