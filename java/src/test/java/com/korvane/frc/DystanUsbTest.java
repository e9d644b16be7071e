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
import com.korvane.frc.sim.DystanUsbEmulator;
import org.junit.jupiter.api.Test;

/** The distance sensor over USB, through the JVM, against the emulated sensor. */
class DystanUsbTest {
  @Test
  void binaryScansArriveAsScanDataAndTheReplyAsConfig() {
    try (DystanUsbEmulator emulator = DystanUsbEmulator.start(10, false)) {
      emulator.setDistances(-3, 250, 32767);
      long handle = DystanJNI.c_Dystan_createUsb(emulator.path(), 25);
      assertNotEquals(0, handle);
      try {
        assertArrayEquals(
            new String[] {"GETCONFIG", "VERBOSE,0", "DATAFORMAT,BIN", "ODR,25"},
            emulator.commands(),
            "the opening dialogue");
        assertTrue(emulator.binary());
        assertEquals(25, emulator.outputRate());
        assertEquals(1, DystanJNI.c_Dystan_getTransport(handle));
        assertEquals(-1, DystanJNI.c_Dystan_getCanID(handle));
        assertTrue(Wait.until(() -> DystanJNI.c_Dystan_getData(handle, 64).distance.length == 3));
        Dystan.ScanData scan = DystanJNI.c_Dystan_getData(handle, 64);
        assertArrayEquals(new int[] {-3, 250, 32767}, scan.distance);
        assertArrayEquals(new int[] {-3}, DystanJNI.c_Dystan_getData(handle, 1).distance);
        int first = scan.sequence;
        assertTrue(Wait.until(() -> DystanJNI.c_Dystan_getData(handle, 64).sequence != first));

        Dystan.Config config = DystanJNI.c_Dystan_getConfig(handle, 0);
        assertNotNull(config);
        assertEquals(0, config.version);
        assertTrue(config.distanceEnabled);
        assertFalse(config.canFdEnabled);
        assertFalse(config.canBrsEnabled);
        assertEquals(0, config.canID);
        emulator.setConfigReply("");
        assertNull(DystanJNI.c_Dystan_getConfig(handle, 100), "no reply");
        int afterQueries = DystanJNI.c_Dystan_getData(handle, 64).sequence;
        assertTrue(
            Wait.until(() -> DystanJNI.c_Dystan_getData(handle, 64).sequence != afterQueries),
            "the reader runs again");
      } finally {
        DystanJNI.c_Dystan_destroy(handle);
      }
    }
  }

  @Test
  void theClassReadsFramesSentByHandAndRefusesPathsThatCannotBeOpened() {
    assertEquals(0, DystanJNI.c_Dystan_createUsb("/nonexistent/ttyACM9", 0));
    DeviceOpenException noPath =
        assertThrows(DeviceOpenException.class, () -> new Dystan(null, 0));
    assertEquals(
        "Dystan on null could not be opened: no device path was given", noPath.getMessage());
    try (DystanUsbEmulator emulator = DystanUsbEmulator.start(10, false)) {
      emulator.setStreaming(false);
      try (Dystan dystan = new Dystan(emulator.path(), 0)) {
        Dystan.ScanData none = dystan.getData(64);
        assertEquals(0, none.sequence);
        assertEquals(0, none.distance.length);
        byte[] frame = {
          (byte) 0xA5, 0x5A, 0x0A, 0x00, 0x01, 0x07, 0x03, 0x01, 0x64, 0x00, (byte) 0xC8, 0x00, 0x2C,
          0x01
        };
        assertTrue(emulator.send(frame));
        assertTrue(Wait.until(() -> dystan.getData(64).sequence == 7));
        assertArrayEquals(new int[] {100, 200, 300}, dystan.getData(64).distance);
        assertArrayEquals(new int[] {100, 200}, dystan.getData(2).distance);
        assertEquals(Transport.USB, dystan.getTransport());
      }
    }
  }
}
