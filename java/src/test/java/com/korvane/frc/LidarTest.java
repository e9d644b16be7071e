package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.LidarJNI;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.SimSerial;
import java.util.List;
import org.junit.jupiter.api.MethodOrderer;
import org.junit.jupiter.api.Order;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.TestMethodOrder;

/** The LiDAR through the JVM: the ScanData result, a scan of the emulated room, the filters. */
@TestMethodOrder(MethodOrderer.OrderAnnotation.class)
class LidarTest {
  @Test
  @Order(1)
  void beforeAnyOpenTheTableIsEmpty() {
    Lidar.ScanData scan = LidarJNI.c_Lidar_getData();
    assertNotNull(scan);
    assertEquals(360, scan.angle.length);
    assertEquals(360, scan.distance.length);
    for (int k = 0; k < 360; k++) {
      assertEquals(k, scan.angle[k]);
      assertEquals(-1.0f, scan.distance[k]);
    }
    assertEquals(0, scan.validCount());
    assertEquals(-1, scan.ageMs, "the natives' table carries no age");
  }

  @Test
  @Order(2)
  void aScanOfTheEmulatedRoomArrives() {
    try (LidarRoomEmulator room = LidarRoomEmulator.start(1, true)) {
      assertTrue(SimSerial.mapPort(SerialPort.USB1.value(), room.path()));
      try (Lidar lidar = new Lidar(SerialPort.USB1)) {
        assertTrue(Wait.until(() -> lidar.getData().validCount() == Lidar.SLOTS));
        Lidar.ScanData scan = lidar.getData();
        assertEquals(360, scan.angle.length);
        int agreeing = 0;
        for (int k = 0; k < Lidar.SLOTS; k++) {
          assertEquals(k, (int) scan.angle[k], "slot " + k + " holds its own degree");
          double expected = LidarRoomEmulator.distanceAt(scan.angle[k]);
          if (Math.abs(scan.distance[k] - expected) < 10) {
            agreeing++;
          }
        }
        assertTrue(agreeing >= 350, agreeing + " of 360 slots match the room");
        assertEquals(4000, scan.distance[0], 15);
        assertEquals(1500, scan.distance[270], 15);
      }
    }
  }

  @Test
  @Order(3)
  void filtersSmoothEachDegreesHistory() {
    try (LidarRoomEmulator device = LidarRoomEmulator.start(1, false)) {
      SimSerial.mapPort(SerialPort.USB2.value(), device.path());
      try (Lidar lidar = new Lidar(SerialPort.USB2)) {
        // Scan-start packets at 100 degrees; 1000 mm is filed at 93.24 degrees.
        assertTrue(device.send(scanStart(4000)));
        assertTrue(Wait.until(() -> lidar.getData().distance[93] == 1000.0f));
        lidar.enableFilter(Lidar.Filter.MEDIAN, true);
        assertTrue(device.send(scanStart(4800))); // 1200 mm: its own median
        assertTrue(device.send(scanStart(4000))); // 1200, 1000: the upper middle value
        assertTrue(Wait.until(() -> lidar.getData().distance[93] == 1200.0f));
        assertTrue(device.send(scanStart(4000))); // 1200, 1000, 1000
        assertTrue(Wait.until(() -> lidar.getData().distance[93] == 1000.0f));
        lidar.movingAverageConfig(2);
        lidar.enableFilter(Lidar.Filter.MOVING_AVERAGE, true);
        assertTrue(device.send(scanStart(4400))); // the newest two: 1000, 1100
        assertTrue(Wait.until(() -> lidar.getData().distance[93] == 1050.0f));
        lidar.disableFilters();
        assertTrue(device.send(scanStart(4800)));
        assertTrue(Wait.until(() -> lidar.getData().distance[93] == 1200.0f));
      }
    }
  }

  @Test
  @Order(4)
  void aFailedOpenLeavesThePreviousLidarReading() {
    try (LidarRoomEmulator device = LidarRoomEmulator.start(1, false)) {
      SimSerial.reset();
      SimSerial.mapPort(SerialPort.USB1.value(), device.path());
      try (Lidar lidar = new Lidar(SerialPort.USB1)) {
        assertTrue(
            Wait.until(
                () ->
                    SimSerial.calls().stream()
                        .anyMatch(c -> c.call == SimSerial.Call.DISABLE_TERMINATION)));
        List<SimSerial.Record> calls = SimSerial.calls();
        assertEquals(SimSerial.Call.INITIALIZE, calls.get(0).call);
        assertEquals(SerialPort.USB1.value(), calls.get(0).port);
        assertEquals(1, SimSerial.openHandles());

        SimSerial.failCalls(SimSerial.Call.INITIALIZE, -9, 1);
        // prints "Error initializing serial port: -9"; the newer object now stands for the LiDAR
        try (Lidar newer = new Lidar(SerialPort.USB1)) {
          assertTrue(device.send(scanStart(4800)));
          assertTrue(Wait.until(() -> newer.getData().distance[93] == 1200.0f));
          assertEquals(1, SimSerial.openHandles());
          assertNull(lidar.getData(), "the replaced object is closed");
        }
      }
    }
  }

  @Test
  @Order(5)
  void closingAReplacedLidarLeavesTheNewerOneScanning() {
    try (LidarRoomEmulator device = LidarRoomEmulator.start(1, false)) {
      SimSerial.reset();
      SimSerial.mapPort(SerialPort.USB1.value(), device.path());
      Lidar first = new Lidar(SerialPort.USB1);
      try (Lidar second = new Lidar(SerialPort.USB1)) {
        // Replaced, not closed: its calls reach nothing because the driver no longer has it.
        assertNull(first.getData());
        assertNull(first.getFaults());
        assertEquals(-1, first.getDataAgeMs());
        assertFalse(first.isConnected());
        first.stop();
        first.enableFilter(Lidar.Filter.MEDIAN, true);
        first.close();
        assertNull(first.getData());
        first.stop();
        first.enableFilter(Lidar.Filter.MEDIAN, true);
        assertTrue(device.send(scanStart(4000)));
        assertTrue(Wait.until(() -> second.getData().distance[93] == 1000.0f));
        assertTrue(device.send(scanStart(4400)));
        assertTrue(
            Wait.until(() -> second.getData().distance[93] == 1100.0f),
            "still scanning, unfiltered, after the replaced object's calls");
      }
      assertEquals(0, SimSerial.openHandles());
    }
  }

  @Test
  @Order(6)
  void aLidarThatHangsUpShowsItByTheAgeOfItsPoints() {
    try (LidarRoomEmulator room = LidarRoomEmulator.start(1, true);
        PortLink port = new PortLink()) {
      SimSerial.mapPort(SerialPort.USB1.value(), port.to(room.path()));
      try (Lidar lidar = new Lidar(SerialPort.USB1)) {
        assertTrue(Wait.until(() -> lidar.getData().validCount() == Lidar.SLOTS));
        assertTrue(Wait.until(() -> lidar.getData().ageMs >= 0 && lidar.getData().ageMs < 200));
        port.unplug();
        room.hangUp();
        assertTrue(Wait.until(() -> lidar.getData().ageMs >= 1000, 10_000));
        assertEquals(Lidar.SLOTS, lidar.getData().validCount(), "the last points stay");
      }
    }
  }

  private static byte[] scanStart(int rawDistance) {
    int start = 100 * 128;
    return new byte[] {
      (byte) 0xAA, 0x55, 0x01, 0x01,
      (byte) start, (byte) (start >> 8), (byte) start, (byte) (start >> 8), 0, 0,
      (byte) rawDistance, (byte) (rawDistance >> 8)
    };
  }
}
