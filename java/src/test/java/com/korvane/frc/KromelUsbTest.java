package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.sim.KromelUsbEmulator;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;

/** The colour sensor over USB, through the JVM, against the emulated sensor. */
class KromelUsbTest {
  @Test
  void readingsArriveAsColorDataWithRisingSequenceNumbers() {
    try (KromelUsbEmulator emulator = KromelUsbEmulator.start(5)) {
      emulator.setColor(0.5f, 0.25f, 0.125f);
      long handle = KromelJNI.c_Kromel_createUsb(emulator.path(), 8);
      assertNotEquals(0, handle);
      try {
        assertEquals(1, KromelJNI.c_Kromel_getTransport(handle));
        assertEquals(-1, KromelJNI.c_Kromel_getCanID(handle));
        List<Integer> sequences = new ArrayList<>();
        assertTrue(
            Wait.until(
                () -> {
                  Kromel.ColorData r = KromelJNI.c_Kromel_getColor(handle);
                  boolean fresh =
                      r != null
                          && (sequences.isEmpty()
                              || sequences.get(sequences.size() - 1) != r.sequence);
                  if (fresh) {
                    sequences.add(r.sequence);
                  }
                  return sequences.size() >= 4;
                }));
        for (int i = 1; i < sequences.size(); i++) {
          assertTrue(sequences.get(i) > sequences.get(i - 1), sequences.toString());
        }
        Kromel.ColorData r = KromelJNI.c_Kromel_getColor(handle);
        assertEquals(0.5f, r.x, 1e-6f);
        assertEquals(0.25f, r.y, 1e-6f);
        assertEquals(0.125f, r.z, 1e-6f);
        assertTrue(Wait.until(() -> emulator.commands().length >= 2));
        assertArrayEquals(
            new String[] {"COLORFORMAT,XYZ", "SAMPLETIME,8"},
            emulator.commands(),
            "the opening dialogue");
        assertFalse(KromelJNI.c_Kromel_setColorFormat(handle, 9), "no such format");
        assertFalse(KromelJNI.c_Kromel_setBrightness(handle, 5), "CAN only");
        assertFalse(KromelJNI.c_Kromel_getConfig(handle, 1, new long[1]), "CAN only");
        assertTrue(KromelJNI.c_Kromel_setSampleTimeMs(handle, 100000));
        assertTrue(Wait.until(() -> emulator.sampleTimeMs() == 65535));
      } finally {
        KromelJNI.c_Kromel_destroy(handle);
      }
    }
  }

  @Test
  void theClassOpensTheEmulatorAndRefusesPathsThatCannotBeOpened() {
    assertEquals(0, KromelJNI.c_Kromel_createUsb(null, 10));
    assertEquals(0, KromelJNI.c_Kromel_createUsb("/nonexistent/ttyACM9", 10));
    assertThrows(DeviceOpenException.class, () -> new Kromel(null, 10));
    DeviceOpenException missing =
        assertThrows(DeviceOpenException.class, () -> new Kromel("/nonexistent/ttyACM9", 10));
    assertEquals(
        "Kromel on /nonexistent/ttyACM9 could not be opened: /nonexistent/ttyACM9 does not exist",
        missing.getMessage());
    assertEquals("Kromel", missing.getDevice());
    try (KromelUsbEmulator emulator = KromelUsbEmulator.start(1000)) {
      emulator.setStreaming(false);
      try (Kromel kromel = new Kromel(emulator.path(), 0)) {
        sendsAndReads(emulator, kromel);
      }
    }
  }

  private static void sendsAndReads(KromelUsbEmulator emulator, Kromel kromel) {
    assertNull(kromel.getColor(), "no reading yet");
    assertTrue(emulator.send("XYZ: 1.5, 2.5, 3.5\r\n"));
    assertTrue(Wait.until(() -> kromel.getColor() != null));
    Kromel.ColorData r = kromel.getColor();
    assertEquals(1, r.sequence);
    assertEquals(3.5f, r.z, 1e-6f);
    assertTrue(kromel.setColorFormat(Kromel.ColorFormat.HEX));
    assertTrue(Wait.until(() -> emulator.colorFormat().equals("HEX")));
    assertEquals(Transport.USB, kromel.getTransport());
  }
}
