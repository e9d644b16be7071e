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
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.SimCan;
import java.util.OptionalLong;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/** The colour sensor over CAN, through the JVM: result objects, out-arrays and failure values. */
class KromelTest {
  private static final int COLOR = 0x04090540;
  private static final int BRIGHTNESS = 0x04090515;
  private static final int STATUS_LED = 0x04090517;

  @BeforeEach
  void freshBus() {
    SimCan.reset();
  }

  @AfterEach
  void cleanBus() {
    SimCan.reset();
  }

  @Test
  void colourFramesComeBackAsColorDataAndShortFramesAsNull() {
    long handle = KromelJNI.c_Kromel_create(12);
    assertNotEquals(0, handle);
    try {
      assertNull(KromelJNI.c_Kromel_getColor(handle), "no frame yet");
      SimCan.inject(COLOR, 0x34, 0x12, 0x10, 0x27, 0xF0, 0xD8, 0x88);
      assertNull(KromelJNI.c_Kromel_getColor(handle), "seven bytes");
      SimCan.inject(COLOR, 0xFE, 0xFF, 0x10, 0x27, 0xF0, 0xD8, 0x88, 0x13);
      Kromel.ColorData reading = KromelJNI.c_Kromel_getColor(handle);
      assertNotNull(reading);
      assertEquals(0xFFFE, reading.sequence, "the sequence is unsigned");
      assertEquals(1.0f, reading.x, 1e-6f);
      assertEquals(-1.0f, reading.y, 1e-6f);
      assertEquals(0.5f, reading.z, 1e-6f);
      assertEquals(0, KromelJNI.c_Kromel_getTransport(handle));
      assertEquals(12, KromelJNI.c_Kromel_getCanID(handle));
    } finally {
      KromelJNI.c_Kromel_destroy(handle);
    }
  }

  @Test
  void getConfigZeroExtendsIntoElementZeroAndLeavesTheArrayAloneOnFailure() {
    try (KromelSimulator sensor = KromelSimulator.attachQuiet()) {
      sensor.setConfigValue(7, 0xFFFFFFFEL);
      long handle = KromelJNI.c_Kromel_create(1);
      try {
        long[] out = {-5, -6};
        assertTrue(KromelJNI.c_Kromel_getConfig(handle, 7, out));
        assertArrayEquals(new long[] {0xFFFFFFFEL, -6}, out);
        assertFalse(KromelJNI.c_Kromel_getConfig(handle, 7, null));
        assertFalse(KromelJNI.c_Kromel_getConfig(handle, 7, new long[0]));
        sensor.setAckStatus(3);
        long[] untouched = {42};
        assertFalse(KromelJNI.c_Kromel_getConfig(handle, 7, untouched));
        assertArrayEquals(new long[] {42}, untouched);
        assertEquals(2, sensor.commandCount(), "the null and empty arrays sent nothing");
      } finally {
        KromelJNI.c_Kromel_destroy(handle);
      }
    }
  }

  @Test
  void booleansCountAsTrueOnlyWhenTheyAreTrue() {
    try (KromelSimulator sensor = KromelSimulator.attachQuiet();
        Kromel kromel = new Kromel(3)) {
      assertTrue(kromel.setStatusLed(true, 250));
      assertTrue(kromel.setStatusLed(false, -1));
      assertTrue(kromel.setBrightness(40));
      assertEquals("01 64", SimCan.sentFrames(STATUS_LED).get(0).hex());
      assertEquals("00 00", SimCan.sentFrames(STATUS_LED).get(1).hex());
      assertEquals("28", SimCan.sentFrames(BRIGHTNESS).get(0).hex());
      assertEquals(OptionalLong.of(0), kromel.getConfig(9));
      sensor.setSilent(true);
      assertFalse(kromel.setZmm(2.5f));
      assertEquals(OptionalLong.empty(), kromel.getConfig(9));
    }
  }

  @Test
  void zeroAndClosedHandlesGiveTheFailureValuesWithoutTraffic() {
    for (long handle : new long[] {0, 0x1234_5678L}) {
      assertEquals(-1, KromelJNI.c_Kromel_getCanID(handle));
      assertEquals(-1, KromelJNI.c_Kromel_getTransport(handle));
      assertNull(KromelJNI.c_Kromel_getColor(handle));
      assertFalse(KromelJNI.c_Kromel_setColorFormat(handle, 4));
      assertFalse(KromelJNI.c_Kromel_setSampleTimeMs(handle, 10));
      assertFalse(KromelJNI.c_Kromel_setBrightness(handle, 10));
      assertFalse(KromelJNI.c_Kromel_setStatusLed(handle, true, 10));
      assertFalse(KromelJNI.c_Kromel_setMeasureMode(handle, 0, 0f));
      assertFalse(KromelJNI.c_Kromel_setZmm(handle, 1f));
      assertFalse(KromelJNI.c_Kromel_setUsbOverride(handle, true));
      assertFalse(KromelJNI.c_Kromel_setCanId(handle, 2));
      long[] out = {7};
      assertFalse(KromelJNI.c_Kromel_getConfig(handle, 1, out));
      assertEquals(7, out[0]);
      KromelJNI.c_Kromel_destroy(handle);
    }
    Kromel kromel = new Kromel(0);
    kromel.close();
    kromel.close();
    assertFalse(kromel.isOpen());
    assertNull(kromel.getColor());
    assertFalse(kromel.setBrightness(1));
    assertEquals(-1, kromel.getCanId());
    assertTrue(SimCan.sentFrames().isEmpty());
  }

  @Test
  void outOfRangeCanIdsGiveTheZeroHandle() {
    assertEquals(0, KromelJNI.c_Kromel_create(-1));
    assertEquals(0, KromelJNI.c_Kromel_create(64));
    DeviceOpenException outOfRange =
        assertThrows(DeviceOpenException.class, () -> new Kromel(64));
    assertEquals(
        "Kromel at CAN ID 64 could not be opened: CAN ID 64 is outside 0 to 63",
        outOfRange.getMessage());
    SimCan.failCalls(SimCan.Call.OPEN_STREAM_SESSION, -44089, 1);
    assertEquals(0, KromelJNI.c_Kromel_create(5));
    SimCan.failCalls(SimCan.Call.OPEN_STREAM_SESSION, -44089, 1);
    DeviceOpenException refused = assertThrows(DeviceOpenException.class, () -> new Kromel(5));
    assertTrue(
        refused.getMessage().startsWith("Kromel at CAN ID 5 could not be opened: opening the CAN"),
        refused.getMessage());
  }

  @Test
  void theSimulatedSensorStreamsColoursThatTheClassReports() {
    try (KromelSimulator sensor = KromelSimulator.attach();
        Kromel kromel = new Kromel(9)) {
      sensor.setColor(0.25f, 0.5f, -0.75f);
      int first = sensor.sequence();
      assertTrue(Wait.until(() -> sensor.sequence() > first + 1));
      Kromel.ColorData reading = kromel.getColor();
      assertNotNull(reading);
      assertEquals(0.25f, reading.x, 1e-4f);
      assertEquals(-0.75f, reading.z, 1e-4f);
      assertEquals(Transport.CAN, kromel.getTransport());
      assertEquals(9, kromel.getCanId());
      assertTrue(kromel.setSampleTimeMs(10), "acknowledged among colour frames");
    }
  }

  @Test
  void findDevicePathAlwaysGivesAPath() {
    assertTrue(KromelJNI.c_Kromel_findDevicePath(0).startsWith("/dev/tty"));
    assertTrue(Kromel.findDevicePath(SerialPort.USB2).startsWith("/dev/tty"));
  }

  // Robot controllers with one CAN bus (WPILib 2026 and the stand-in) and with several (WPILib
  // 2027): each build runs the test of its own generation.
  @Test
  @Tag("wpilib-2026")
  void aBusOtherThanZeroIsRefusedWhereThereIsOnlyOne() {
    assertEquals(0, KromelJNI.c_Kromel_createOnBus(2, 9));
    DeviceOpenException refused = assertThrows(DeviceOpenException.class, () -> new Kromel(2, 9));
    assertTrue(
        refused.getMessage().startsWith("Kromel on CAN bus 2 at CAN ID 9 could not be opened"),
        refused.getMessage());
    assertThrows(DeviceOpenException.class, () -> new Kromel(-1, 9));
  }

  @Test
  @Tag("wpilib-2027")
  void aSensorOnAnotherBusHearsOnlyItsOwnBus() {
    KromelSimulator onThree = KromelSimulator.attach(3);
    try (KromelSimulator onZero = KromelSimulator.attachQuiet();
        Kromel kromel = new Kromel(3, 9)) {
      onThree.setColor(0.125f, 0.5f, 1.0f);
      int first = onThree.sequence();
      assertTrue(Wait.until(() -> onThree.sequence() > first + 1));
      Kromel.ColorData reading = kromel.getColor();
      assertNotNull(reading);
      assertEquals(0.125f, reading.x, 1e-4f);
      assertTrue(kromel.setSampleTimeMs(10), "acknowledged on bus 3");
      assertEquals(0, onZero.commandCount(), "the sensor on bus 0 heard no command");
      onThree.close();
      assertFalse(kromel.setSampleTimeMs(10), "nothing answers on bus 3 any more");
      try (Kromel onBusZero = new Kromel(0, 9)) {
        assertTrue(onBusZero.setSampleTimeMs(10), "bus 0's sensor answers its own bus");
        assertEquals(1, onZero.commandCount());
      }
    } finally {
      onThree.close();
    }
  }
}
