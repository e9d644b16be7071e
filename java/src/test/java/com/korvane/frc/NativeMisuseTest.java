package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.DystanJNI;
import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.jni.LidarJNI;
import com.korvane.frc.jni.LidarMiniJNI;
import com.korvane.frc.jni.LinvoJNI;
import com.korvane.frc.jni.MockDSJNI;
import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.DystanSimulator;
import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.KromelSimulator;
import com.korvane.frc.sim.KromelUsbEmulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.LinvoSimulator;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimI2C;
import com.korvane.frc.sim.SimSerial;
import com.korvane.frc.sim.TorqaSimulator;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicLong;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.Timeout;

/**
 * Every native of every device called as a careless or hurried robot program might: with handle
 * 0, a handle no create returned and a destroyed handle; with null and empty arrays and strings;
 * with NaN, the infinities and the integer extremes; and one device used from four threads while
 * a fifth closes it. Each call must return its failure value (or do nothing) without crashing the
 * JVM or leaving an exception pending; the JVM runs with -Xcheck:jni, and a hung call fails the
 * test by its timeout.
 *
 * <p>No call may reach a real serial device: before any LiDAR call every HAL serial port is
 * pointed at a path that does not exist, and the mini LiDAR only ever finds its emulator.
 */
@Timeout(value = 120, threadMode = Timeout.ThreadMode.SEPARATE_THREAD)
class NativeMisuseTest {
  /** Handles no create returned, for the devices whose handles name objects. */
  private static final long[] FOREIGN_HANDLES = {
    0L, 0x5EED_F00D_0000_1234L, 1L, -1L, 8L, Long.MIN_VALUE, Long.MAX_VALUE
  };

  private static final int[] INTS = {
    Integer.MIN_VALUE, Integer.MIN_VALUE + 1, -65536, -129, -1, 0, 1, 3, 4, 63, 64, 127, 128, 255,
    256, 65535, 65536, Integer.MAX_VALUE
  };

  private static final float[] FLOATS = {
    Float.NaN, Float.POSITIVE_INFINITY, Float.NEGATIVE_INFINITY, Float.MAX_VALUE, -Float.MAX_VALUE,
    Float.MIN_VALUE, -0.0f, 0.0f, 1.0f, -1.0f, 3.0e9f, -3.0e9f
  };

  private static final double[] DOUBLES = {
    Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY, Double.MAX_VALUE,
    -Double.MAX_VALUE, Double.MIN_VALUE, -0.0, 0.0, 1.0, -1.0, 1.0e300, 9.3e18, -9.3e18
  };

  private static final String MISSING_PORT = "/nonexistent/korvane-misuse-tty";

  /** Paths of no device: empty, a NUL inside, beyond PATH_MAX, outside ASCII, a folder. */
  private static final String[] ODD_PATHS = {
    "",
    "\u0000",
    MISSING_PORT + "\u0000x",
    "/" + "d".repeat(100_000),
    "/nonexistent/\uD83D\uDE00\u00E9",
    "/tmp"
  };

  @BeforeEach
  void freshPlatform() {
    SimCan.reset();
    for (int port = 0; port < 4; port++) {
      assertTrue(SimSerial.mapPort(port, MISSING_PORT + port));
    }
  }

  @AfterEach
  void cleanPlatform() {
    SimCan.reset();
  }

  // ---- Colour sensor ----

  private static void kromelRefuses(long handle) {
    assertEquals(-1, KromelJNI.c_Kromel_getCanID(handle));
    assertEquals(-1, KromelJNI.c_Kromel_getTransport(handle));
    assertNull(KromelJNI.c_Kromel_getColor(handle));
    for (int value : INTS) {
      assertFalse(KromelJNI.c_Kromel_setColorFormat(handle, value));
      assertFalse(KromelJNI.c_Kromel_setSampleTimeMs(handle, value));
      assertFalse(KromelJNI.c_Kromel_setBrightness(handle, value));
      assertFalse(KromelJNI.c_Kromel_setStatusLed(handle, true, value));
      assertFalse(KromelJNI.c_Kromel_setCanId(handle, value));
      assertFalse(KromelJNI.c_Kromel_getConfig(handle, value, new long[1]));
    }
    for (float value : FLOATS) {
      assertFalse(KromelJNI.c_Kromel_setMeasureMode(handle, 1, value));
      assertFalse(KromelJNI.c_Kromel_setZmm(handle, value));
    }
    assertFalse(KromelJNI.c_Kromel_setUsbOverride(handle, true));
    assertFalse(KromelJNI.c_Kromel_getConfig(handle, 0, null));
    assertFalse(KromelJNI.c_Kromel_getConfig(handle, 0, new long[0]));
    KromelJNI.c_Kromel_destroy(handle);
  }

  @Test
  void colourSensorNativesRefuseHandlesThatNameNoSensor() {
    for (long handle : FOREIGN_HANDLES) {
      kromelRefuses(handle);
    }
    long destroyed = KromelJNI.c_Kromel_create(5);
    assertNotEquals(0, destroyed);
    KromelJNI.c_Kromel_destroy(destroyed);
    kromelRefuses(destroyed);
  }

  @Test
  void colourSensorCreationRefusesBadArgumentsAndALiveSensorTakesExtremeValues() {
    for (int canId : INTS) {
      if (canId < 0 || canId > 63) {
        assertEquals(0, KromelJNI.c_Kromel_create(canId), "CAN ID " + canId);
      }
    }
    for (int sampleTime : new int[] {Integer.MIN_VALUE, 0, Integer.MAX_VALUE}) {
      assertEquals(0, KromelJNI.c_Kromel_createUsb(null, sampleTime));
      for (String path : ODD_PATHS) {
        assertEquals(0, KromelJNI.c_Kromel_createUsb(path, sampleTime), path);
      }
    }
    for (int index : INTS) {
      assertNotNull(KromelJNI.c_Kromel_findDevicePath(index));
    }
    try (KromelSimulator sensor = KromelSimulator.attach()) {
      long handle = KromelJNI.c_Kromel_create(0);
      assertNotEquals(0, handle);
      kromelTakesExtremes(handle);
      assertFalse(KromelJNI.c_Kromel_getConfig(handle, 1, null));
      assertFalse(KromelJNI.c_Kromel_getConfig(handle, 1, new long[0]));
      assertEquals(0, KromelJNI.c_Kromel_getCanID(handle), "the sensor is still there");
      assertTrue(sensor.commandCount() > 0, "the accepted commands reached it");
      KromelJNI.c_Kromel_destroy(handle);
      KromelJNI.c_Kromel_destroy(handle);
    }
    try (KromelUsbEmulator sensor = KromelUsbEmulator.start(20)) {
      long handle = KromelJNI.c_Kromel_createUsb(sensor.path(), Integer.MAX_VALUE);
      assertNotEquals(0, handle);
      kromelTakesExtremes(handle);
      assertEquals(1, KromelJNI.c_Kromel_getTransport(handle), "the sensor is still there");
      KromelJNI.c_Kromel_destroy(handle);
    }
  }

  private static void kromelTakesExtremes(long handle) {
    for (int value : INTS) {
      KromelJNI.c_Kromel_setColorFormat(handle, value);
      KromelJNI.c_Kromel_setSampleTimeMs(handle, value);
      KromelJNI.c_Kromel_setBrightness(handle, value);
      KromelJNI.c_Kromel_setStatusLed(handle, value % 2 == 0, value);
      KromelJNI.c_Kromel_setMeasureMode(handle, value, 1.0f);
      KromelJNI.c_Kromel_getConfig(handle, value, new long[3]);
    }
    for (float value : FLOATS) {
      KromelJNI.c_Kromel_setMeasureMode(handle, 1, value);
      KromelJNI.c_Kromel_setZmm(handle, value);
    }
    KromelJNI.c_Kromel_getColor(handle);
  }

  // ---- Distance sensor ----

  private static void dystanRefuses(long handle) {
    assertEquals(-1, DystanJNI.c_Dystan_getCanID(handle));
    assertEquals(-1, DystanJNI.c_Dystan_getTransport(handle));
    for (int value : INTS) {
      assertNull(DystanJNI.c_Dystan_getData(handle, value));
      assertNull(DystanJNI.c_Dystan_getConfig(handle, value));
    }
    DystanJNI.c_Dystan_destroy(handle);
  }

  @Test
  void distanceSensorNativesRefuseHandlesThatNameNoSensor() {
    for (long handle : FOREIGN_HANDLES) {
      dystanRefuses(handle);
    }
    long destroyed = DystanJNI.c_Dystan_create(9);
    assertNotEquals(0, destroyed);
    DystanJNI.c_Dystan_destroy(destroyed);
    dystanRefuses(destroyed);
  }

  @Test
  void distanceSensorCreationRefusesBadArgumentsAndALiveSensorTakesExtremeValues() {
    for (int canId : INTS) {
      if (canId < 0 || canId > 63) {
        assertEquals(0, DystanJNI.c_Dystan_create(canId), "CAN ID " + canId);
      }
    }
    for (int odr : new int[] {Integer.MIN_VALUE, 0, Integer.MAX_VALUE}) {
      assertEquals(0, DystanJNI.c_Dystan_createUsb(null, odr));
      for (String path : ODD_PATHS) {
        assertEquals(0, DystanJNI.c_Dystan_createUsb(path, odr), path);
      }
    }
    for (int index : INTS) {
      assertNotNull(DystanJNI.c_Dystan_findDevicePath(index));
    }
    try (DystanSimulator sensor = DystanSimulator.attach(2, 50)) {
      long handle = DystanJNI.c_Dystan_create(2);
      assertNotEquals(0, handle);
      dystanTakesExtremes(handle);
      assertEquals(2, DystanJNI.c_Dystan_getCanID(handle), "the sensor is still there");
      assertTrue(sensor.configRequests() > 0, "the queries reached it");
      DystanJNI.c_Dystan_destroy(handle);
    }
    try (DystanUsbEmulator sensor = DystanUsbEmulator.start(50, false)) {
      long handle = DystanJNI.c_Dystan_createUsb(sensor.path(), Integer.MIN_VALUE);
      assertNotEquals(0, handle);
      dystanTakesExtremes(handle);
      assertEquals(1, DystanJNI.c_Dystan_getTransport(handle), "the sensor is still there");
      DystanJNI.c_Dystan_destroy(handle);
    }
  }

  private static void dystanTakesExtremes(long handle) {
    for (int count : INTS) {
      Dystan.ScanData scan = DystanJNI.c_Dystan_getData(handle, count);
      assertNotNull(scan);
      assertTrue(scan.distance.length <= Math.max(0, Math.min(count, Dystan.MAX_DISTANCES)));
    }
    // The sensor answers, so even the longest timeout returns at once.
    for (int timeout : new int[] {Integer.MIN_VALUE, -1, 0, Integer.MAX_VALUE}) {
      DystanJNI.c_Dystan_getConfig(handle, timeout);
    }
  }

  // ---- Motor controller ----

  // Its handles are the HAL's CAN handles: a handle that names no controller reaches the CAN
  // stand-in, which refuses it, and its commands go to device number 0.
  private static void torqaTakes(long handle) {
    for (int motor : INTS) {
      TorqaJNI.c_Torqa_configureMotor(handle, motor, motor);
      TorqaJNI.c_Torqa_disableMotor(handle, motor);
      TorqaJNI.c_Torqa_resetEncoder(handle, motor);
      TorqaJNI.c_Torqa_setTargetDistance(handle, motor, motor);
      TorqaJNI.c_Torqa_setPositionHold(handle, motor, motor % 2 == 0);
      TorqaJNI.c_Torqa_setEncoderResolution(handle, motor, motor);
      TorqaJNI.c_Torqa_setCurrentLimitMode(handle, motor, motor);
      TorqaJNI.c_Torqa_setMotorStopMode(handle, motor);
      TorqaJNI.c_Torqa_setPIDType(handle, motor);
      TorqaJNI.c_Torqa_setMotorPIDType(handle, motor, motor);
      TorqaJNI.c_Torqa_autotuneMotor(handle, motor);
      TorqaJNI.c_Torqa_setCANSensorOsDelay(handle, motor);
      TorqaJNI.c_Torqa_setSensitivity(handle, motor, motor);
      TorqaJNI.c_Torqa_getRPM(handle, motor);
      TorqaJNI.c_Torqa_getLimitSwitch(handle, motor, true);
      TorqaJNI.c_Torqa_getLimitSwitch(handle, motor, false);
      TorqaJNI.c_Torqa_getOrvixPosition(handle, motor);
      TorqaJNI.c_Torqa_getEncoderDistance(handle, motor);
      TorqaJNI.c_Torqa_getEncoderRaw(handle, motor);
      TorqaJNI.c_Torqa_getEncoderSpeed(handle, motor);
      TorqaJNI.c_Torqa_getEncoderCount(handle, motor);
      TorqaJNI.c_Torqa_tryGetRPM(handle, motor, new double[1]);
      TorqaJNI.c_Torqa_tryGetTargetRPM(handle, motor, new double[1]);
      assertFalse(TorqaJNI.c_Torqa_tryGetRPM(handle, motor, null));
      assertFalse(TorqaJNI.c_Torqa_tryGetRPM(handle, motor, new double[0]));
      assertFalse(TorqaJNI.c_Torqa_tryGetTargetRPM(handle, motor, null));
      assertFalse(TorqaJNI.c_Torqa_tryGetTargetRPM(handle, motor, new double[0]));
    }
    for (double value : DOUBLES) {
      TorqaJNI.c_Torqa_setMotorSpeed(handle, 0, value);
      TorqaJNI.c_Torqa_setTargetAngle(handle, 1, value);
    }
    for (float value : FLOATS) {
      TorqaJNI.c_Torqa_setTargetVelocity(handle, 2, value);
      TorqaJNI.c_Torqa_setCurrentLimit(handle, 3, value);
    }
    TorqaJNI.c_Torqa_autotuneAll(handle);
    TorqaJNI.c_Torqa_getFrequency(handle);
    TorqaJNI.c_Torqa_getControllerTemp(handle);
    TorqaJNI.c_Torqa_getTargetRPMFromDevice(handle);
  }

  @Test
  void motorControllerNativesTakeForeignHandlesAndExtremeValues() {
    for (int deviceId : INTS) {
      if (deviceId < 1 || deviceId > 63) {
        assertEquals(0, TorqaJNI.c_Torqa_create(deviceId, 1000), "device " + deviceId);
      }
    }
    assertEquals(0, TorqaJNI.c_Torqa_create(1, Integer.MIN_VALUE));
    assertEquals(0, TorqaJNI.c_Torqa_create(1, Integer.MAX_VALUE));
    assertEquals(0, TorqaJNI.c_Torqa_create(1, 20001));
    for (long handle : new long[] {0L, 0x5EED_F00D_7EAD_BEEFL, -1L, Long.MIN_VALUE}) {
      torqaTakes(handle);
      TorqaJNI.c_Torqa_destroy(handle);
    }
    long destroyed = TorqaJNI.c_Torqa_create(7, 1000);
    assertNotEquals(0, destroyed);
    TorqaJNI.c_Torqa_destroy(destroyed);
    torqaTakes(destroyed);
    TorqaJNI.c_Torqa_destroy(destroyed);
    try (TorqaSimulator controller = TorqaSimulator.attach(3)) {
      long handle = TorqaJNI.c_Torqa_create(3, 20000);
      assertNotEquals(0, handle);
      torqaTakes(handle);
      for (double value : DOUBLES) {
        TorqaJNI.c_Torqa_setEncoder(handle, 0, value);
        TorqaJNI.c_Torqa_getEncoderDistance(handle, 0);
      }
      TorqaJNI.c_Torqa_setEncoder(handle, 0, 1.0);
      assertEquals(3, TorqaJNI.c_Torqa_getID(handle));
      assertTrue(controller.infoRequestCount() > 0);
      assertNotNull(TorqaJNI.c_Torqa_getFirmwareVersion(handle));
      assertNotNull(TorqaJNI.c_Torqa_getHardwareVersion(handle));
      assertNotNull(TorqaJNI.c_Torqa_getSerialNumber(handle));
      TorqaJNI.c_Torqa_destroy(handle);
    }
    assertEquals(0, SimCan.openHandles(), "every CAN handle closed");
  }

  @Test
  void motorControllerIdentityOfAHandleThatNamesNoControllerFailsWithoutHanging() {
    for (long handle : new long[] {0L, 0x5EED_F00D_7EAD_BEEFL}) {
      TorqaJNI.c_Torqa_getID(handle);
      assertNotNull(TorqaJNI.c_Torqa_getFirmwareVersion(handle));
      assertNotNull(TorqaJNI.c_Torqa_getHardwareVersion(handle));
      assertNotNull(TorqaJNI.c_Torqa_getSerialNumber(handle));
    }
  }

  // ---- Mini LiDAR ----

  private static void lidarMiniRefuses(long handle) {
    assertNull(LidarMiniJNI.c_LidarMini_getInfo(handle));
    assertNull(LidarMiniJNI.c_LidarMini_getHealth(handle));
    assertNull(LidarMiniJNI.c_LidarMini_getData(handle));
    LidarMiniJNI.c_LidarMini_start(handle);
    LidarMiniJNI.c_LidarMini_stop(handle);
    LidarMiniJNI.c_LidarMini_increaseFrequency(handle, true);
    LidarMiniJNI.c_LidarMini_decreaseFrequency(handle, false);
    LidarMiniJNI.c_LidarMini_destroy(handle);
  }

  @Test
  void miniLidarNativesRefuseHandlesThatNameNoLidarAndTakeAnyPort() {
    for (long handle : FOREIGN_HANDLES) {
      lidarMiniRefuses(handle);
    }
    try (LidarMiniEmulator emulator = LidarMiniEmulator.start()) {
      emulator.plugIn();
      long destroyed = 0;
      // Port 3 asks for the second USB serial device, which is not the emulator.
      for (int port : new int[] {Integer.MIN_VALUE, -1, 0, Integer.MAX_VALUE}) {
        long handle = LidarMiniJNI.c_LidarMini_create(port);
        if (handle != 0) {
          if (destroyed == 0) {
            LidarMiniJNI.c_LidarMini_start(handle);
            LidarMiniJNI.c_LidarMini_start(handle);
            for (int i = 0; i < 70; i++) {
              LidarMiniJNI.c_LidarMini_increaseFrequency(handle, i % 2 == 0);
            }
            LidarMiniJNI.c_LidarMini_getData(handle);
          }
          LidarMiniJNI.c_LidarMini_destroy(handle);
          destroyed = handle;
        }
      }
      assertNotEquals(0, destroyed);
      lidarMiniRefuses(destroyed);
    }
  }

  // ---- LiDAR (one per library, no handle) ----

  @Test
  void lidarNativesTakeAnyPortExtremeFilterSettingsAndAnyOrder() {
    LidarJNI.c_Lidar_destroy();
    assertNotNull(LidarJNI.c_Lidar_getData());
    for (int port : INTS) {
      LidarJNI.c_Lidar_create(port); // the stand-in refuses all but 0 to 3, which lead nowhere
    }
    LidarJNI.c_Lidar_start();
    LidarJNI.c_Lidar_stop();
    LidarJNI.c_Lidar_stop();
    try (LidarRoomEmulator room = LidarRoomEmulator.start(3, true)) {
      assertTrue(SimSerial.mapPort(SerialPort.USB1.value(), room.path()));
      LidarJNI.c_Lidar_create(SerialPort.USB1.value());
      for (int filter : INTS) {
        LidarJNI.c_Lidar_enableFilter(filter, true);
        LidarJNI.c_Lidar_movingAverageConfig(filter);
        LidarJNI.c_Lidar_medianConfig(filter);
        LidarJNI.c_Lidar_clusterConfig(1.0f, filter);
      }
      for (float value : FLOATS) {
        LidarJNI.c_Lidar_clusterConfig(value, 2);
        LidarJNI.c_Lidar_kalmanConfig(value, value, value);
        LidarJNI.c_Lidar_kalmanConfig(1.0f, value, 1.0f);
        LidarJNI.c_Lidar_jitterConfig(value);
      }
      long revolutions = room.revolutions();
      for (int filter = 0; filter < 5; filter++) {
        LidarJNI.c_Lidar_enableFilter(filter, true);
        long seen = room.revolutions();
        assertTrue(Wait.until(() -> room.revolutions() > seen + 1, 10_000));
        Lidar.ScanData data = LidarJNI.c_Lidar_getData();
        assertEquals(Lidar.SLOTS, data.angle.length);
        assertEquals(Lidar.SLOTS, data.distance.length);
      }
      assertTrue(room.revolutions() > revolutions);
      LidarJNI.c_Lidar_stop();
      LidarJNI.c_Lidar_destroy();
      LidarJNI.c_Lidar_start();
      LidarJNI.c_Lidar_stop();
      assertTrue(SimSerial.mapPort(SerialPort.USB1.value(), MISSING_PORT));
    }
  }

  // ---- Analogue converter and driver station (no handles) ----

  @Test
  void converterNativesTakeExtremeValuesBeforeAndAfterInitialisation() {
    LinvoJNI.c_closeI2C();
    for (int channel : INTS) {
      LinvoJNI.c_getRawValue(channel);
      LinvoJNI.c_getVoltage(channel);
    }
    try (LinvoSimulator converter = LinvoSimulator.attach()) {
      converter.setVoltage(0, 1.25);
      for (float vRef : FLOATS) {
        LinvoJNI.c_initializeI2C(vRef);
        for (int channel : INTS) {
          LinvoJNI.c_getRawValue(channel);
          LinvoJNI.c_getVoltage(channel);
        }
      }
      assertTrue(LinvoJNI.c_initializeI2C(5.0f));
      LinvoJNI.c_closeI2C();
      LinvoJNI.c_closeI2C();
    }
  }

  @Test
  void driverStationNativesTakeAnyOrder() {
    MockDSJNI.c_MockDS_destroy();
    MockDSJNI.c_MockDS_enable();
    MockDSJNI.c_MockDS_disable();
    MockDSJNI.c_MockDS_create();
    MockDSJNI.c_MockDS_create();
    MockDSJNI.c_MockDS_enable();
    MockDSJNI.c_MockDS_enable();
    MockDSJNI.c_MockDS_disable();
    MockDSJNI.c_MockDS_destroy();
    MockDSJNI.c_MockDS_destroy();
    MockDSJNI.c_MockDS_disable();
  }

  // ---- One-per-process devices through an opening ----

  @Test
  void openingNativesRefuseHandlesThatNameNoLiveOpening() {
    long closed = LidarJNI.c_Lidar_open(SerialPort.USB2.value());
    assertNotEquals(0, closed);
    LidarJNI.c_Lidar_close(closed);
    long replaced = LidarJNI.c_Lidar_open(SerialPort.USB2.value());
    long live = LidarJNI.c_Lidar_open(SerialPort.USB2.value());
    assertNotEquals(replaced, live);
    float[] angle = new float[Lidar.SLOTS];
    float[] distance = new float[Lidar.SLOTS];
    angle[5] = 42.0f;
    for (long handle : new long[] {0, -1, Long.MIN_VALUE, Long.MAX_VALUE, closed, replaced}) {
      assertEquals(Long.MIN_VALUE, LidarJNI.c_Lidar_readDataOpened(handle, angle, distance));
      assertEquals(42.0f, angle[5], "nothing filled");
      assertFalse(LidarJNI.c_Lidar_isConnectedOpened(handle));
      assertEquals(-1, LidarJNI.c_Lidar_getDataAgeMsOpened(handle));
      assertNull(LidarJNI.c_Lidar_getFaultsOpened(handle));
      LidarJNI.c_Lidar_startOpened(handle);
      LidarJNI.c_Lidar_stopOpened(handle);
      LidarJNI.c_Lidar_enableFilterOpened(handle, 1, true);
      LidarJNI.c_Lidar_clusterConfigOpened(handle, 1.0f, 1);
      LidarJNI.c_Lidar_kalmanConfigOpened(handle, 1.0f, 1.0f, 1.0f);
      LidarJNI.c_Lidar_movingAverageConfigOpened(handle, 3);
      LidarJNI.c_Lidar_medianConfigOpened(handle, 3);
      LidarJNI.c_Lidar_jitterConfigOpened(handle, 1.0f);
      LidarJNI.c_Lidar_close(handle);
    }
    assertNotNull(LidarJNI.c_Lidar_getFaultsOpened(live), "the live opening is left alone");
    assertNotEquals(Long.MIN_VALUE, LidarJNI.c_Lidar_readDataOpened(live, angle, distance));
    assertEquals(Long.MIN_VALUE, LidarJNI.c_Lidar_readDataOpened(live, null, distance));
    LidarJNI.c_Lidar_close(live);
    assertNull(LidarJNI.c_Lidar_getFaultsOpened(live));

    try (LinvoSimulator converter = LinvoSimulator.attach()) {
      converter.setVoltage(0, 1.25);
      long sensorClosed = LinvoJNI.c_openI2C(3.3f);
      LinvoJNI.c_closeI2COpened(sensorClosed);
      long sensorReplaced = LinvoJNI.c_openI2C(3.3f);
      long sensor = LinvoJNI.c_openI2C(3.3f);
      for (long handle : new long[] {0, -1, Long.MAX_VALUE, sensorClosed, sensorReplaced}) {
        assertEquals(0, LinvoJNI.c_getLatestRawValueOpened(handle, 0));
        assertEquals(0.0f, LinvoJNI.c_getLatestVoltageOpened(handle, 0));
        assertFalse(LinvoJNI.c_isAnsweringOpened(handle));
        assertEquals(-1, LinvoJNI.c_getDataAgeMsOpened(handle));
        assertNull(LinvoJNI.c_getFaultsOpened(handle));
        LinvoJNI.c_closeI2COpened(handle);
      }
      assertTrue(SimI2C.portOpen(1), "the live sensor keeps the bus");
      assertTrue(Wait.until(() -> LinvoJNI.c_getLatestRawValueOpened(sensor, 0) == 1250));
      for (int channel : INTS) {
        LinvoJNI.c_getLatestRawValueOpened(sensor, channel);
        LinvoJNI.c_getLatestVoltageOpened(sensor, channel);
      }
      LinvoJNI.c_closeI2COpened(sensor);
      assertFalse(SimI2C.portOpen(1));
    }

    long sender = MockDSJNI.c_MockDS_open();
    assertNotEquals(0, sender);
    MockDSJNI.c_MockDS_enableOpened(sender + 1);
    MockDSJNI.c_MockDS_disableOpened(0);
    long newer = MockDSJNI.c_MockDS_open();
    assertNotEquals(sender, newer);
    MockDSJNI.c_MockDS_enableOpened(sender);
    MockDSJNI.c_MockDS_disableOpened(newer);
    MockDSJNI.c_MockDS_destroy();
  }

  // ---- One device, four callers, one closer ----

  /**
   * Four threads call the device until it is closed and a little after; a fifth closes it once
   * every caller has made some calls. Every thread must finish, none may throw.
   */
  private static void closeWhileCalled(AutoCloseable device, Runnable call) throws Exception {
    ConcurrentLinkedQueue<Throwable> failures = new ConcurrentLinkedQueue<>();
    CountDownLatch warmedUp = new CountDownLatch(4);
    CountDownLatch closed = new CountDownLatch(1);
    AtomicLong calls = new AtomicLong();
    List<Thread> threads = new ArrayList<>();
    for (int i = 0; i < 4; i++) {
      threads.add(
          new Thread(
              () -> {
                try {
                  for (int n = 0; n < 3; n++) {
                    call.run();
                    calls.incrementAndGet();
                  }
                  warmedUp.countDown();
                  while (!closed.await(0, TimeUnit.MILLISECONDS)) {
                    call.run();
                    calls.incrementAndGet();
                  }
                  for (int n = 0; n < 3; n++) {
                    call.run();
                  }
                } catch (Throwable t) {
                  failures.add(t);
                  warmedUp.countDown();
                }
              }));
    }
    threads.add(
        new Thread(
            () -> {
              try {
                assertTrue(warmedUp.await(30, TimeUnit.SECONDS));
                device.close();
                device.close();
              } catch (Throwable t) {
                failures.add(t);
              } finally {
                closed.countDown();
              }
            }));
    threads.forEach(Thread::start);
    for (Thread thread : threads) {
      thread.join(60_000);
      assertFalse(thread.isAlive(), "a call hung");
    }
    assertTrue(failures.isEmpty(), () -> "thrown: " + failures);
    assertTrue(calls.get() >= 12);
  }

  @Test
  void colourSensorClosedWhileFourThreadsUseIt() throws Exception {
    try (KromelSimulator simulator = KromelSimulator.attach()) {
      Kromel sensor = new Kromel(0);
      closeWhileCalled(
          sensor,
          () -> {
            sensor.getColor();
            sensor.setBrightness(50);
            sensor.getCanId();
          });
      assertEquals(-1, sensor.getCanId());
      assertNull(sensor.getColor());
      assertFalse(sensor.setBrightness(1));
      assertTrue(simulator.commandCount() > 0, "the callers' commands reached the sensor");
    }
  }

  @Test
  void distanceSensorClosedWhileFourThreadsUseIt() throws Exception {
    try (DystanUsbEmulator emulator = DystanUsbEmulator.start(100, false)) {
      Dystan sensor = new Dystan(emulator.path(), 100);
      closeWhileCalled(
          sensor,
          () -> {
            sensor.getData(64);
            sensor.getTransport();
            sensor.getConfig(20);
          });
      assertNull(sensor.getData(64));
      assertNull(sensor.getConfig(10));
      assertNull(sensor.getTransport(), "a closed sensor has no transport");
    }
  }

  @Test
  void motorControllerClosedWhileFourThreadsUseIt() throws Exception {
    try (TorqaSimulator simulator = TorqaSimulator.attach(4)) {
      Torqa controller = new Torqa(4, 1000);
      closeWhileCalled(
          controller,
          () -> {
            controller.setSpeed(1, 0.25);
            controller.getRPM(1);
            controller.tryGetTargetRPM(1);
          });
      assertFalse(controller.isOpen());
      controller.setSpeed(1, 0.5);
      assertEquals(0, SimCan.openHandles(), "the controller's CAN handle is closed");
      assertTrue(simulator.motor(1).speed > 0.0, "the callers' commands reached the controller");
    }
  }

  @Test
  void lidarClosedWhileFourThreadsUseIt() throws Exception {
    try (LidarRoomEmulator room = LidarRoomEmulator.start(5, true)) {
      assertTrue(SimSerial.mapPort(SerialPort.USB2.value(), room.path()));
      Lidar lidar = new Lidar(SerialPort.USB2);
      long seen = room.revolutions();
      assertTrue(Wait.until(() -> room.revolutions() > seen, 10_000));
      Lidar.Filter[] filters = Lidar.Filter.values();
      AtomicLong turn = new AtomicLong();
      closeWhileCalled(
          lidar,
          () -> {
            int n = (int) (turn.incrementAndGet() % filters.length);
            Lidar.ScanData data = lidar.getData(); // null once closed
            assertTrue(data == null || data.distance.length == Lidar.SLOTS);
            lidar.enableFilter(filters[n], true);
            lidar.medianConfig(n);
            lidar.kalmanConfig(1.0e-5f, 0.1f, n);
          });
      assertNull(lidar.getData(), "a closed LiDAR gives no scan");
      assertEquals(Lidar.SLOTS, LidarJNI.c_Lidar_getData().distance.length);
      assertTrue(SimSerial.mapPort(SerialPort.USB2.value(), MISSING_PORT));
    }
  }

  @Test
  void miniLidarClosedWhileFourThreadsUseIt() throws Exception {
    try (LidarMiniEmulator emulator = LidarMiniEmulator.start()) {
      emulator.plugIn();
      LidarMini lidar = new LidarMini(SerialPort.ONBOARD);
      lidar.start();
      closeWhileCalled(
          lidar,
          () -> {
            lidar.getData();
            lidar.increaseFrequency(false);
            lidar.decreaseFrequency(true);
          });
      assertNull(lidar.getData());
      assertNull(lidar.getInfo());
    }
  }
}
