package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.DystanJNI;
import com.korvane.frc.sim.DystanSimulator;
import com.korvane.frc.sim.SimCan;
import java.util.Arrays;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The distance sensor over CAN, through the JVM: result objects and failure values. */
class DystanTest {
  private static final int CAN_ID = 4;
  private static final int CHUNK = 0x06090040 + CAN_ID;
  private static final int CONFIG_REQUEST = 0x06090400 + CAN_ID;
  private static final int CONFIG_REPLY = 0x06090440 + CAN_ID;

  @BeforeEach
  void freshBus() {
    SimCan.reset();
  }

  @AfterEach
  void cleanBus() {
    SimCan.reset();
  }

  @Test
  void scansComeBackAsScanDataWithSignWidenedDistances() {
    long handle = DystanJNI.c_Dystan_create(CAN_ID);
    assertNotEquals(0, handle);
    try {
      Dystan.ScanData none = DystanJNI.c_Dystan_getData(handle, 64);
      assertNotNull(none, "no frames: an object all the same");
      assertEquals(0, none.sequence);
      assertArrayEquals(new int[0], none.distance);

      // Sequence 200, chunk 0: -1, 1000, -32768; chunk 2: 7, 8, 9; chunk 1 missing.
      SimCan.inject(CHUNK, 200, 0, 0xFF, 0xFF, 0xE8, 0x03, 0x00, 0x80);
      SimCan.inject(CHUNK, 200, 2, 7, 0, 8, 0, 9, 0);
      Dystan.ScanData scan = DystanJNI.c_Dystan_getData(handle, 100);
      assertEquals(200, scan.sequence, "the sequence is unsigned");
      assertArrayEquals(new int[] {-1, 1000, -32768, -1, -1, -1, 7, 8, 9}, scan.distance);

      SimCan.inject(CHUNK, 1, 0, 1, 0, 2, 0, 3, 0);
      Dystan.ScanData zero = DystanJNI.c_Dystan_getData(handle, 0);
      assertEquals(0, zero.sequence);
      assertEquals(0, zero.distance.length);
      assertArrayEquals(new int[] {1, 2}, DystanJNI.c_Dystan_getData(handle, 2).distance);
      assertEquals(0, DystanJNI.c_Dystan_getTransport(handle));
      assertEquals(CAN_ID, DystanJNI.c_Dystan_getCanID(handle));
    } finally {
      DystanJNI.c_Dystan_destroy(handle);
    }
  }

  @Test
  void theConfigurationComesBackAsConfigOrNullWithoutAReply() throws InterruptedException {
    long handle = DystanJNI.c_Dystan_create(CAN_ID);
    try {
      assertNull(DystanJNI.c_Dystan_getConfig(handle, -7));
      assertEquals("00 00 00 00 00 00 00 00", SimCan.sentFrames(CONFIG_REQUEST).get(0).hex());
      // The sensor answers the next request; a reply from before a request never answers it.
      Thread sensor =
          new Thread(
              () -> {
                if (Wait.until(() -> SimCan.sentFrames(CONFIG_REQUEST).size() >= 2, 10_000)) {
                  SimCan.inject(CONFIG_REPLY, 0xC8, 1, 0, 5, 0xFE, 0, 0, 0);
                }
              });
      sensor.start();
      Dystan.Config config = DystanJNI.c_Dystan_getConfig(handle, 5000);
      sensor.join();
      assertNotNull(config);
      assertEquals(200, config.version, "unsigned");
      assertTrue(config.distanceEnabled);
      assertFalse(config.canFdEnabled);
      assertTrue(config.canBrsEnabled, "any byte but 0 is true");
      assertEquals(254, config.canID, "unsigned");
      assertNull(DystanJNI.c_Dystan_getConfig(handle, 50), "the same reply again");
    } finally {
      DystanJNI.c_Dystan_destroy(handle);
    }
  }

  @Test
  void zeroAndClosedHandlesGiveTheFailureValuesWithoutTraffic() {
    for (long handle : new long[] {0, 0x1234_5678L}) {
      assertEquals(-1, DystanJNI.c_Dystan_getCanID(handle));
      assertEquals(-1, DystanJNI.c_Dystan_getTransport(handle));
      assertNull(DystanJNI.c_Dystan_getData(handle, 64));
      assertNull(DystanJNI.c_Dystan_getConfig(handle, 10));
      DystanJNI.c_Dystan_destroy(handle);
    }
    long stale = DystanJNI.c_Dystan_create(1);
    DystanJNI.c_Dystan_destroy(stale);
    assertNull(DystanJNI.c_Dystan_getData(stale, 64));
    assertEquals(-1, DystanJNI.c_Dystan_getCanID(stale));
    DystanJNI.c_Dystan_destroy(stale);

    Dystan dystan = new Dystan(0);
    dystan.close();
    dystan.close();
    assertFalse(dystan.isOpen());
    assertNull(dystan.getData(64));
    assertNull(dystan.getConfig(0));
    assertEquals(-1, dystan.getCanId());
    assertNull(dystan.getTransport());
    assertTrue(SimCan.sentFrames().isEmpty());
  }

  @Test
  void outOfRangeCanIdsAndNullPathsGiveTheZeroHandle() {
    assertEquals(0, DystanJNI.c_Dystan_create(-1));
    assertEquals(0, DystanJNI.c_Dystan_create(64));
    assertThrows(DeviceOpenException.class, () -> new Dystan(64));
    SimCan.failCalls(SimCan.Call.OPEN_STREAM_SESSION, -44089, 1);
    assertEquals(0, DystanJNI.c_Dystan_create(5));
    assertEquals(0, DystanJNI.c_Dystan_createUsb(null, 0));
    assertTrue(DystanJNI.c_Dystan_findDevicePath(0).startsWith("/dev/tty"));
    assertTrue(Dystan.findDevicePath(SerialPort.USB2).startsWith("/dev/tty"));
  }

  // A failure thrown inside the platform must come back as the failure value, never as a C++
  // exception through the JVM.
  @Test
  void failuresThrownInsideTheHalGiveFailureValues() {
    SimCan.raiseInCalls(SimCan.Call.OPEN_STREAM_SESSION, 1);
    assertEquals(0, DystanJNI.c_Dystan_create(CAN_ID));
    long handle = DystanJNI.c_Dystan_create(CAN_ID);
    assertNotEquals(0, handle);
    try {
      SimCan.raiseInCalls(SimCan.Call.READ_STREAM_SESSION, 1);
      assertNull(DystanJNI.c_Dystan_getData(handle, 64));
      SimCan.raiseInCalls(SimCan.Call.SEND_MESSAGE, 1);
      assertNull(DystanJNI.c_Dystan_getConfig(handle, 0));
      SimCan.inject(CHUNK, 3, 0, 1, 0, 2, 0, 3, 0);
      assertArrayEquals(new int[] {1, 2, 3}, DystanJNI.c_Dystan_getData(handle, 3).distance);
    } finally {
      DystanJNI.c_Dystan_destroy(handle);
    }
  }

  // The 22 chunk frames of a scan whose position k carries sequence * 100 + k, less one chunk.
  private static void injectScan(int sequence, int missingChunk) {
    for (int chunk = 0; chunk < 22; chunk++) {
      if (chunk == missingChunk) {
        continue;
      }
      int[] frame = new int[8];
      frame[0] = sequence;
      frame[1] = chunk;
      for (int v = 0; v < 3; v++) {
        int value = sequence * 100 + chunk * 3 + v;
        frame[2 + 2 * v] = value & 0xFF;
        frame[3 + 2 * v] = (value >> 8) & 0xFF;
      }
      SimCan.inject(CHUNK, frame);
    }
  }

  @Test
  void getDataGivesTheNewestCompleteScanByArrivalAcrossCalls() {
    try (Dystan dystan = new Dystan(CAN_ID)) {
      injectScan(254, -1);
      injectScan(255, 7);
      injectScan(0, -1);
      Dystan.ScanData scan = dystan.getData(64);
      assertEquals(0, scan.sequence, "scan 0 came after 254 and 255");
      assertEquals(64, scan.distance.length);
      assertEquals(63, scan.distance[63]);
      assertEquals(0, dystan.getData(64).sequence, "kept between calls");

      injectScan(1, 21);
      assertEquals(0, dystan.getData(64).sequence, "scan 1 lacks a chunk");
      injectScan(2, 5);
      assertEquals(0, dystan.getData(64).sequence, "neither is complete");
      injectScan(3, -1);
      scan = dystan.getData(64);
      assertEquals(3, scan.sequence);
      assertEquals(300 + 63, scan.distance[63]);
      assertEquals(3, dystan.getData(3).sequence);
      assertArrayEquals(new int[] {300, 301, 302}, dystan.getData(3).distance);
    }
  }

  @Test
  void getDataReturnsWithinAMillisecondWhileTheSensorStreams() throws Exception {
    try (DystanSimulator sensor = DystanSimulator.attach(CAN_ID, 50);
        Dystan dystan = new Dystan(CAN_ID)) {
      assertTrue(Wait.until(() -> dystan.getData(64).distance.length == 64));
      long[] calls = new long[50];
      int sequence = -1;
      int newScans = 0;
      for (int i = 0; i < calls.length; i++) {
        Thread.sleep(20);
        long start = System.nanoTime();
        Dystan.ScanData scan = dystan.getData(64);
        calls[i] = System.nanoTime() - start;
        if (scan.sequence != sequence) {
          newScans++;
          sequence = scan.sequence;
        }
      }
      Arrays.sort(calls);
      assertTrue(calls[calls.length / 2] < 1_000_000, "median " + calls[calls.length / 2] + " ns");
      assertTrue(newScans > 10, "new scans seen in 50 loops: " + newScans);
      assertTrue(sensor.scansPublished() > 10);
    }
  }

  @Test
  void theSimulatedSensorsScansAndConfigurationReachTheClass() {
    try (DystanSimulator sensor = DystanSimulator.attach(CAN_ID, 50);
        Dystan dystan = new Dystan(CAN_ID)) {
      int[] distances = new int[64];
      for (int k = 0; k < 64; k++) {
        distances[k] = 2000 - 50 * k;
      }
      sensor.setDistances(distances);
      sensor.setConfig(2, true, true, false, CAN_ID);
      Dystan.Config config = dystan.getConfig(50);
      assertNotNull(config);
      assertEquals(2, config.version);
      assertTrue(config.canFdEnabled);
      assertEquals(CAN_ID, config.canID);

      long published = sensor.scansPublished();
      assertTrue(Wait.until(() -> sensor.scansPublished() >= published + 2));
      dystan.getData(64);
      assertTrue(
          Wait.until(
              () -> {
                Dystan.ScanData scan = dystan.getData(64);
                return scan.distance.length == 64 && scan.distance[63] == distances[63];
              }));
      assertArrayEquals(distances, dystan.getData(64).distance);

      sensor.setSilent(true);
      int last = dystan.getData(64).sequence;
      assertEquals(last, dystan.getData(64).sequence, "a silent sensor: its last scan stays");
    }
  }
}
