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
 * The one guard every device class calls its driver through, with stand-in driver calls: what
 * waits for what, what a closed or replaced object still reaches, and which calls overlap.
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
    assertEquals(Integer.valueOf(-2), guard.command(h -> fail("command"), -2));
    guard.call(h -> fail("call without a result"));
    guard.command(h -> fail("command without a result"));
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
    DeviceGuard guard = DeviceGuard.open(DeviceGuard.Family.sharedDriver(), () -> HANDLE);
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
  void aReadingOfAReplacedOnePerProcessObjectCountsAsClosed() {
    DeviceGuard.Family family = DeviceGuard.Family.onePerProcess();
    DeviceGuard first = DeviceGuard.open(family, () -> DeviceGuard.NO_HANDLE);
    long reading = first.readingHandle();
    DeviceGuard second = DeviceGuard.open(family, () -> DeviceGuard.NO_HANDLE);
    assertFalse(first.stillOpen(reading), "the device is the newer object's now");
    assertTrue(second.stillOpen(second.readingHandle()));
    second.close(h -> {});
  }

  @Test
  void aFailedCreateGivesNoGuard() {
    assertNull(DeviceGuard.open(() -> 0));
    assertNull(DeviceGuard.open(DeviceGuard.Family.sharedDriver(), () -> 0));
  }

  @Test
  void openingAnotherOfAOnePerProcessDeviceClosesTheOldOneWithoutDestroy() throws Exception {
    for (DeviceGuard.Family family :
        List.of(
            DeviceGuard.Family.onePerProcess(), DeviceGuard.Family.onePerProcessSharedDriver())) {
      events.clear();
      DeviceGuard first = DeviceGuard.open(family, () -> DeviceGuard.NO_HANDLE);
      CountDownLatch entered = new CountDownLatch(1);
      CountDownLatch release = new CountDownLatch(1);
      Thread caller = start(heldCall(first, "old call finished", entered, release));
      await(entered);

      DeviceGuard[] second = new DeviceGuard[1];
      Thread opener =
          start(
              () ->
                  second[0] =
                      DeviceGuard.open(
                          family,
                          () -> {
                            events.add("created");
                            return DeviceGuard.NO_HANDLE;
                          }));
      assertTrue(Wait.until(() -> parked(opener)), "opening waits for the old object's call");
      assertEquals(List.of(), events);
      release.countDown();
      join(caller);
      join(opener);
      assertEquals(List.of("old call finished", "created"), events, "nothing overlaps the create");

      assertFalse(first.isOpen(), "replaced");
      assertTrue(second[0].isOpen());
      assertEquals(Integer.valueOf(0), first.call(h -> fail("old call"), 0));
      assertEquals(Integer.valueOf(0), first.command(h -> fail("old command"), 0));
      assertEquals(
          Integer.valueOf(0),
          first.async(() -> fail("old queued call"), 0).get(SECONDS, TimeUnit.SECONDS));
      first.close(h -> events.add("old destroy"));
      assertTrue(second[0].isOpen(), "closing the replaced object leaves the newer one");
      assertEquals(Integer.valueOf(1), second[0].call(h -> 1, 0));

      second[0].close(h -> events.add("destroyed"));
      assertEquals(List.of("old call finished", "created", "destroyed"), events);
      DeviceGuard third = DeviceGuard.open(family, () -> DeviceGuard.NO_HANDLE);
      assertTrue(third.isOpen(), "a device closed by its holder opens again");
      third.close(h -> {});
    }
  }

  @Test
  void callsOverlapAndRunBesideOneCommandWhileCommandsTakeTurns() throws Exception {
    DeviceGuard guard = DeviceGuard.open(() -> HANDLE);
    CountDownLatch bothIn = new CountDownLatch(2);
    AtomicInteger met = new AtomicInteger();
    Runnable meeting = () -> guard.call(h -> meet(bothIn) ? met.incrementAndGet() : 0, 0);
    Thread one = start(meeting);
    Thread two = start(meeting);
    join(one);
    join(two);
    assertEquals(2, met.get(), "two calls at once");

    CountDownLatch callIn = new CountDownLatch(1);
    CountDownLatch callRelease = new CountDownLatch(1);
    Thread caller = start(heldCall(guard, "call", callIn, callRelease));
    await(callIn);
    CountDownLatch commandIn = new CountDownLatch(1);
    CountDownLatch commandRelease = new CountDownLatch(1);
    Thread firstCommand =
        start(
            () ->
                guard.command(
                    h -> {
                      commandIn.countDown();
                      await(commandRelease);
                      events.add("first command");
                    }));
    await(commandIn); // a command runs beside a call in progress
    Thread secondCommand = start(() -> guard.command(h -> events.add("second command")));
    assertTrue(Wait.until(() -> parked(secondCommand)), "the second command waits its turn");
    assertEquals(List.of(), events);
    commandRelease.countDown();
    join(firstCommand);
    join(secondCommand);
    callRelease.countDown();
    join(caller);
    assertEquals(List.of("first command", "second command", "call"), events);
    guard.close(h -> {});
  }

  @Test
  void aSharedDriverFamilyTakesOneCommandAtATimeAndClosingWaitsForEveryObject()
      throws Exception {
    DeviceGuard.Family family = DeviceGuard.Family.sharedDriver();
    DeviceGuard one = DeviceGuard.open(family, () -> 1);
    DeviceGuard two = DeviceGuard.open(family, () -> 2);

    CountDownLatch commandIn = new CountDownLatch(1);
    CountDownLatch commandRelease = new CountDownLatch(1);
    Thread firstCommand =
        start(
            () ->
                one.command(
                    h -> {
                      commandIn.countDown();
                      await(commandRelease);
                      events.add("command of one");
                    }));
    await(commandIn);
    Thread otherCommand = start(() -> two.command(h -> events.add("command of two")));
    assertTrue(Wait.until(() -> parked(otherCommand)), "another object's command waits");
    assertEquals(Integer.valueOf(2), two.call(h -> (int) h, 0), "calls do not wait for commands");
    commandRelease.countDown();
    join(firstCommand);
    join(otherCommand);
    assertEquals(List.of("command of one", "command of two"), events);

    events.clear();
    CountDownLatch callIn = new CountDownLatch(1);
    CountDownLatch callRelease = new CountDownLatch(1);
    Thread caller = start(heldCall(two, "call of two", callIn, callRelease));
    await(callIn);
    Thread closer = start(() -> one.close(h -> events.add("one destroyed")));
    assertTrue(Wait.until(() -> parked(closer)), "closing waits for another object's call");
    Thread opener = start(() -> DeviceGuard.open(family, () -> 3).close(h -> {}));
    assertTrue(Wait.until(() -> parked(opener)), "and so does opening");
    callRelease.countDown();
    join(caller);
    join(closer);
    join(opener);
    assertEquals("call of two", events.get(0), "nothing ran under the call");
    assertTrue(two.isOpen(), "closing one object leaves the other open");
    two.close(h -> {});
  }

  @Test
  void independentObjectsRunTheirCommandsSideBySide() throws Exception {
    DeviceGuard one = DeviceGuard.open(() -> 1);
    DeviceGuard two = DeviceGuard.open(() -> 2);
    CountDownLatch bothIn = new CountDownLatch(2);
    AtomicInteger met = new AtomicInteger();
    Thread first = start(() -> one.command(h -> meet(bothIn) ? met.incrementAndGet() : 0, 0));
    Thread second = start(() -> two.command(h -> meet(bothIn) ? met.incrementAndGet() : 0, 0));
    join(first);
    join(second);
    assertEquals(2, met.get(), "two commands at once, one per object");
    one.close(h -> {});
    two.close(h -> {});
  }
}
