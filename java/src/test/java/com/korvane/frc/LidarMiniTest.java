package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.LidarMiniJNI;
import com.korvane.frc.sim.LidarMiniEmulator;
import java.nio.charset.StandardCharsets;
import org.junit.jupiter.api.Test;

/** The mini LiDAR through the JVM, against the emulated T-mini Plus. */
class LidarMiniTest {
  private static final byte[] SERIAL = "KORVANE-TMINI-07".getBytes(StandardCharsets.US_ASCII);

  @Test
  void everyExportGivenHandleZeroDoesNothingOrReturnsNull() {
    assertNull(LidarMiniJNI.c_LidarMini_getInfo(0));
    assertNull(LidarMiniJNI.c_LidarMini_getHealth(0));
    assertNull(LidarMiniJNI.c_LidarMini_getData(0));
    LidarMiniJNI.c_LidarMini_start(0);
    LidarMiniJNI.c_LidarMini_stop(0);
    LidarMiniJNI.c_LidarMini_increaseFrequency(0, true);
    LidarMiniJNI.c_LidarMini_decreaseFrequency(0, false);
    LidarMiniJNI.c_LidarMini_destroy(0);
  }

  @Test
  void infoHealthAndRevolutionsArriveAsJavaObjects() {
    try (LidarMiniEmulator emulator = LidarMiniEmulator.start()) {
      emulator.plugIn();
      emulator.setInfo(150, 0x010A, 2, SERIAL);
      emulator.setHealth(1, 0x0203);
      long handle = LidarMiniJNI.c_LidarMini_create(0);
      assertNotEquals(0, handle);
      try {
        LidarMini.LidarInfo info = LidarMiniJNI.c_LidarMini_getInfo(handle);
        assertEquals(150, info.model);
        assertEquals(266, info.firmwareVersion);
        assertEquals(2, info.hardwareVersion);
        assertArrayEquals(SERIAL, info.serialnum);
        LidarMini.LidarHealth health = LidarMiniJNI.c_LidarMini_getHealth(handle);
        assertEquals(1, health.status);
        assertEquals(0x0203, health.errorCode);

        LidarMini.ScanData none = LidarMiniJNI.c_LidarMini_getData(handle);
        assertEquals(0, none.timestamp);
        assertEquals(0, none.angle.length);
        assertEquals(0, none.distance.length);
        assertEquals(0, none.intensity.length);

        LidarMiniJNI.c_LidarMini_start(handle);
        int points = emulator.pointsPerRevolution();
        assertTrue(
            Wait.until(() -> LidarMiniJNI.c_LidarMini_getData(handle).angle.length == points, 10000));
        LidarMini.ScanData scan = LidarMiniJNI.c_LidarMini_getData(handle);
        assertTrue(scan.timestamp > 0);
        assertEquals(points, scan.distance.length);
        assertEquals(points, scan.intensity.length);
        assertEquals(2.5f, scan.distance[0], 0.002f, "the wall ahead at 0 degrees");
        assertEquals(180f, scan.intensity[0]);

        LidarMini.LidarInfo whileScanning = LidarMiniJNI.c_LidarMini_getInfo(handle);
        assertEquals(0, whileScanning.model, "no query while scanning");
        assertArrayEquals(new byte[16], whileScanning.serialnum);

        LidarMiniJNI.c_LidarMini_stop(handle);
        assertEquals(0, LidarMiniJNI.c_LidarMini_getData(handle).timestamp);
      } finally {
        LidarMiniJNI.c_LidarMini_destroy(handle);
      }
      assertNull(LidarMiniJNI.c_LidarMini_getData(handle), "a destroyed handle is no handle");
    }
  }

  @Test
  void theClassFollowsTheFrequencyAndCloses() {
    try (LidarMiniEmulator emulator = LidarMiniEmulator.start()) {
      emulator.plugIn();
      LidarMini lidar = new LidarMini(SerialPort.USB1);
      try {
        lidar.start();
        assertTrue(Wait.until(() -> lidar.getData().size() == 666, 10000), "6 Hz");
        for (int i = 0; i < 6; i++) {
          lidar.increaseFrequency(true);
        }
        assertTrue(Wait.until(() -> emulator.frequencyTenthsHz() == 120));
        assertTrue(Wait.until(() -> lidar.getData().size() == 333, 10000), "12 Hz");
        lidar.stop();
        assertTrue(Wait.until(() -> !emulator.isScanning()));
        LidarMini.LidarInfo info = lidar.getInfo();
        assertNotNull(info);
        assertEquals(150, info.model, "the emulator's default model");
      } finally {
        lidar.close();
      }
      lidar.close();
      assertNull(lidar.getData());
      assertNull(lidar.getInfo());
      lidar.start();
    }
  }
}
