package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.DystanSimulator;
import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LinvoSimulator;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.TorqaSimulator;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.OptionalLong;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.TimeUnit;
import java.util.stream.Collectors;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * The {@code ...Async} forms: the blocking form's result, never on the caller's thread, in order
 * per device, and the library executor's life.
 */
class AsyncCallsTest {
  private static final int TORQA = 13;
  private static final int KROMEL = 3;
  private static final int DYSTAN = 4;
  private static final int BRIGHTNESS = 0x04090515;

  @BeforeEach
  void freshBus() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
  }

  @AfterEach
  void noDeviceLeftOpen() {
    assertNull(LibraryExecutor.current(), "every test closes its devices");
    SimCan.reset();
  }

  @Test
  void torqaIdentityAsyncGivesTheBlockingAnswers() throws Exception {
    try (TorqaSimulator controller = TorqaSimulator.attach(TORQA)) {
      controller.setInfoRecord(13, 200, 2, 10, 1, 5, 0, 0);
      controller.setSerialNumber(0x0012A4F0, 0, 0xDEADBEEF);
      try (Torqa torqa = new Torqa(TORQA, 1000)) {
        assertEquals(torqa.getReportedDeviceId(), torqa.getReportedDeviceIdAsync().get());
        assertEquals(13, torqa.getReportedDeviceIdAsync().get());
        assertEquals(torqa.getFirmwareVersion(), torqa.getFirmwareVersionAsync().get());
        assertEquals(torqa.getHardwareVersion(), torqa.getHardwareVersionAsync().get());
        assertEquals("0012A4F0-00000000-DEADBEEF", torqa.getSerialNumberAsync().get());
      }
    }
  }

  @Test
  void aSilentControllerHoldsTheExecutorNotTheCaller() throws Exception {
    try (Torqa torqa = new Torqa(TORQA, 1000)) {
      CompletableFuture<String> hardware = torqa.getHardwareVersionAsync();
      // Run on the caller's thread, the call would have finished (after about 1.1 s) by now.
      assertFalse(hardware.isDone(), "the call returned before the controller was asked");
      assertEquals("Hardware: (read failed)", hardware.get(10, TimeUnit.SECONDS));
    }
  }

  @Test
  void kromelCommandsRunInTheOrderTheyWereMade() throws Exception {
    try (KromelSimulator sensor = KromelSimulator.attachQuiet();
        Kromel kromel = new Kromel(KROMEL)) {
      sensor.setConfigValue(9, 0xCAFEL);
      List<CompletableFuture<Boolean>> sent = new ArrayList<>();
      for (int level = 1; level <= 12; level++) {
        sent.add(kromel.setBrightnessAsync(level));
      }
      CompletableFuture<OptionalLong> config = kromel.getConfigAsync(9);
      for (CompletableFuture<Boolean> each : sent) {
        assertTrue(each.get(10, TimeUnit.SECONDS), "acknowledged, as setBrightness is");
      }
      assertEquals(OptionalLong.of(0xCAFEL), config.get(10, TimeUnit.SECONDS));
      assertEquals(kromel.getConfig(9), config.get());
      assertEquals(
          "01 02 03 04 05 06 07 08 09 0A 0B 0C",
          SimCan.sentFrames(BRIGHTNESS).stream()
              .map(SimCan.Frame::hex)
              .collect(Collectors.joining(" ")));
      sensor.setSilent(true);
      assertEquals(kromel.setZmm(1.0f), kromel.setZmmAsync(1.0f).get(10, TimeUnit.SECONDS));
    }
  }

  @Test
  void dystanScansAndConfigurationOverCan() throws Exception {
    try (DystanSimulator sensor = DystanSimulator.attach(DYSTAN, 50);
        Dystan dystan = new Dystan(DYSTAN)) {
      int[] distances = new int[64];
      for (int k = 0; k < 64; k++) {
        distances[k] = 1000 + 10 * k;
      }
      sensor.setDistances(distances);
      sensor.setConfig(3, true, false, true, DYSTAN);
      Dystan.Config blocking = dystan.getConfig(50);
      Dystan.Config config = dystan.getConfigAsync(50).get(10, TimeUnit.SECONDS);
      assertNotNull(config);
      assertEquals(blocking.toString(), config.toString());
      assertTrue(
          Wait.until(
              () -> {
                Dystan.ScanData scan = dystan.getDataAsync(64).join();
                return scan.distance.length == 64 && scan.distance[63] == distances[63];
              }));
      assertArrayEquals(dystan.getData(64).distance, dystan.getDataAsync(64).get().distance);
    }
  }

  @Test
  void devicesOpenOnALibraryThread() throws Exception {
    try (DystanUsbEmulator emulator = DystanUsbEmulator.start(10, false)) {
      CompletableFuture<Dystan> opening = Dystan.openUsbAsync(emulator.path(), 0);
      // The opening dialogue alone takes at least 270 ms on whichever thread runs it.
      assertFalse(opening.isDone(), "the sensor was opened on the caller's thread");
      try (Dystan dystan = opening.get(10, TimeUnit.SECONDS)) {
        assertTrue(dystan.isOpen());
      }
    }
    CompletableFuture<Kromel> missing = Kromel.openUsbAsync("/dev/korvane-no-such-device", 0);
    assertTrue(
        assertThrowsCause(missing) instanceof DeviceOpenException,
        "a failed open reaches the future as the constructor's exception");
  }

  @Test
  void lidarMiniQueriesAndCommands() throws Exception {
    try (LidarMiniEmulator emulator = LidarMiniEmulator.start()) {
      emulator.plugIn();
      emulator.setInfo(150, 0x010A, 2, "KORVANE-TMINI-07".getBytes(StandardCharsets.US_ASCII));
      emulator.setHealth(1, 0x0203);
      try (LidarMini lidar = new LidarMini(SerialPort.USB1)) {
        assertEquals(lidar.getInfo().toString(), lidar.getInfoAsync().get().toString());
        assertEquals(150, lidar.getInfoAsync().get().model);
        assertEquals(lidar.getHealth().toString(), lidar.getHealthAsync().get().toString());
        lidar.startAsync().get(10, TimeUnit.SECONDS);
        assertTrue(Wait.until(emulator::isScanning, 10_000));
        int before = emulator.frequencyTenthsHz();
        lidar.increaseFrequencyAsync(true);
        lidar.stopAsync().get(10, TimeUnit.SECONDS);
        // The emulator obeys the commands on its own thread, in the order they were sent.
        assertTrue(Wait.until(() -> !emulator.isScanning(), 10_000));
        assertEquals(before + 10, emulator.frequencyTenthsHz(), "ran before the stop");
      }
    }
  }

  @Test
  void linvoReadings() throws Exception {
    try (LinvoSimulator converter = LinvoSimulator.attach(); Linvo linvo = new Linvo(3.3f)) {
      converter.setVoltage(2, 1.25);
      assertTrue(Wait.until(() -> linvo.getRawValue(2) == 1250));
      assertEquals(linvo.getRawValue(2), linvo.getRawValueAsync(2).get());
      assertEquals(linvo.getVoltage(2), linvo.getVoltageAsync(2).get(), 1e-6f);
      assertEquals(0, linvo.getRawValueAsync(7).get());
    }
  }

  @Test
  void queuedCallsRunOnLibraryThreadsInOrder() throws Exception {
    Thread caller = Thread.currentThread();
    List<Integer> order = new ArrayList<>();
    List<Thread> threads = new ArrayList<>();
    SerialQueue queue = new SerialQueue();
    try {
      CountDownLatch release = new CountDownLatch(1);
      CompletableFuture<Boolean> first = queue.submit(() -> await(release), false);
      List<CompletableFuture<Integer>> rest = new ArrayList<>();
      for (int i = 0; i < 50; i++) {
        int n = i;
        rest.add(
            queue.submit(
                () -> {
                  synchronized (order) {
                    order.add(n);
                    threads.add(Thread.currentThread());
                  }
                  return n;
                },
                -1));
      }
      assertFalse(rest.get(0).isDone(), "waits behind the first call");
      release.countDown();
      assertTrue(first.get(10, TimeUnit.SECONDS));
      for (int i = 0; i < 50; i++) {
        assertEquals(i, rest.get(i).get(10, TimeUnit.SECONDS));
      }
      synchronized (order) {
        for (int i = 0; i < 50; i++) {
          assertEquals(i, order.get(i));
          assertNotSame(caller, threads.get(i));
          assertTrue(threads.get(i).isDaemon());
          assertTrue(threads.get(i).getName().startsWith("korvane-async-"));
        }
      }
      CompletableFuture<Integer> thrown =
          queue.submit(
              () -> {
                throw new IllegalArgumentException("from the call");
              },
              0);
      assertTrue(
          assertThrowsCause(thrown) instanceof IllegalArgumentException, "failures reach the future");
    } finally {
      queue.release();
    }
  }

  @Test
  void theExecutorStopsWhenTheLastDeviceCloses() throws Exception {
    assertNull(LibraryExecutor.current());
    Kromel first = new Kromel(1);
    Dystan second = new Dystan(2);
    ExecutorService executor = LibraryExecutor.current();
    assertNotNull(executor);
    first.setBrightnessAsync(5).get(10, TimeUnit.SECONDS);
    first.close();
    assertSame(executor, LibraryExecutor.current());
    assertFalse(executor.isShutdown(), "the distance sensor is still open");
    CompletableFuture<Boolean> afterClose = first.setBrightnessAsync(5);
    assertFalse(afterClose.get(10, TimeUnit.SECONDS), "a closed sensor's failure value");

    CountDownLatch go = new CountDownLatch(1);
    List<Thread> closers = new ArrayList<>();
    for (int i = 0; i < 4; i++) {
      Thread closer =
          new Thread(
              () -> {
                await(go);
                second.close();
              });
      closer.start();
      closers.add(closer);
    }
    CompletableFuture<Dystan.ScanData> pending = second.getDataAsync(64);
    go.countDown();
    for (Thread closer : closers) {
      closer.join(10_000);
      assertFalse(closer.isAlive());
    }
    pending.get(10, TimeUnit.SECONDS); // a scan, or null when it ran after the close
    assertTrue(executor.isShutdown());
    assertTrue(executor.awaitTermination(10, TimeUnit.SECONDS));
    assertNull(LibraryExecutor.current());
    assertNull(second.getDataAsync(64).get(10, TimeUnit.SECONDS), "closed: null, at once");

    try (Kromel again = new Kromel(1)) {
      assertNotNull(LibraryExecutor.current(), "a new device starts a new executor");
      assertNotSame(executor, LibraryExecutor.current());
      assertTrue(again.isOpen());
    }
  }

  @Test
  void theJvmExitsWithoutWaitingForTheLibraryThreads() throws Exception {
    String classPath =
        location(AsyncExitProgram.class) + java.io.File.pathSeparator + location(Torqa.class);
    Process child =
        new ProcessBuilder(
                java.nio.file.Paths.get(System.getProperty("java.home"), "bin", "java").toString(),
                "-Djava.library.path=" + System.getProperty("java.library.path"),
                "-cp",
                classPath,
                AsyncExitProgram.class.getName())
            .redirectErrorStream(true)
            .start();
    assertTrue(child.waitFor(60, TimeUnit.SECONDS), "the JVM exits on its own");
    String output = new String(child.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
    assertEquals(0, child.exitValue(), output);
    assertTrue(output.contains("main returned"), output);
    // A non-daemon thread would have kept the JVM up until the 1.1 s call had finished.
    assertTrue(output.contains("call finished at exit: false"), output);
  }

  private static String location(Class<?> type) throws Exception {
    return java.nio.file.Paths.get(type.getProtectionDomain().getCodeSource().getLocation().toURI())
        .toString();
  }

  private static boolean await(CountDownLatch latch) {
    try {
      return latch.await(10, TimeUnit.SECONDS);
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      return false;
    }
  }

  private static Throwable assertThrowsCause(CompletableFuture<?> future) {
    try {
      future.get(10, TimeUnit.SECONDS);
    } catch (java.util.concurrent.ExecutionException e) {
      return e.getCause();
    } catch (Exception e) {
      return e;
    }
    return null;
  }
}
