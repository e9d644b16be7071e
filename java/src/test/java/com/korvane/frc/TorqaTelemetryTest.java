package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSystem;
import java.util.OptionalDouble;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Telemetry through the JVM: decoded values, the out-array rule and the array result. */
class TorqaTelemetryTest {
  private static final int DEVICE = 9;
  private Torqa torqa;
  private long handle;

  private static int statusId(int api) {
    return statusId(DEVICE, api);
  }

  private static int statusId(int device, int api) {
    return 0x020C0000 | (api << 6) | device;
  }

  @BeforeEach
  void open() {
    SimCan.reset();
    SimSystem.setSystemActive(false);
    torqa = new Torqa(DEVICE, 1000);
    handle = torqa.getHandle();
  }

  @AfterEach
  void close() {
    torqa.close();
    SimCan.reset();
  }

  @Test
  void decodesTheStatusFrames() {
    SimCan.inject(statusId(41), 0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0);
    // The heartbeat read motor 0's frame (absent) a moment ago for the controller's health, and
    // the getters share that read for up to 1 ms.
    assertTrue(Wait.until(() -> torqa.getRPM(0) == -10.0));
    SimCan.inject(statusId(42), 0x39, 0x30, 0, 0, 0, 0, 0, 0);
    // The four motors' speeds and counts are read together, so motor 1's speed may come from the
    // read that motor 0's made a moment ago.
    assertTrue(Wait.until(() -> torqa.getRPM(1) == 123.45));
    assertEquals(123.45, torqa.getEncoderSpeed(1));
    SimCan.inject(statusId(47), 0x2A, 0x32, 0, 0, 0, 0, 0, 0);
    assertEquals(42.5, torqa.getTemperature());
    SimCan.inject(statusId(12), 0x20, 0x4E, 0, 0, 0, 0, 0, 0);
    assertEquals(20000, torqa.getFrequency());
    SimCan.inject(statusId(45), 0x00, 0x01, 0x02, 0x00, 0, 0, 0, 0);
    assertFalse(torqa.getLimitSwitch(0, false));
    assertTrue(torqa.getLimitSwitch(0, true));
    assertTrue(torqa.getLimitSwitch(1, false), "any non-zero byte is true");
    SimCan.inject(statusId(39), 0xD0, 0x07, 0, 0, 0, 0, 0, 0);
    torqa.setDistancePerTick(2, 0.5);
    assertTrue(Wait.until(() -> torqa.getEncoderCount(2) == 2000));
    assertEquals(1000.0, torqa.getEncoderDistance(2));
    assertEquals(2000.0, torqa.getEncoderRaw(2));
    assertEquals(2000, torqa.getEncoderCount(2));
    SimCan.inject(statusId(36), 0, 0, 0x10, 0x27, 0, 0, 0, 0);
    assertEquals(100.0, torqa.getOrvixPosition(1));
  }

  @Test
  void aMotorOtherThanZeroToThreeIsRefusedAndNothingIsSent() {
    for (int api = 0; api < 64; api++) {
      SimCan.inject(statusId(api), 0x11, 0x22, 0x33, 0x04, 0x55, 0x06, 0x77, 0x08);
    }
    // The heartbeat's read of motor 0's frame is shared for up to 1 ms (see above).
    assertTrue(Wait.until(() -> torqa.getRPM(0) != 0.0));
    SimCan.clearSentFrames();
    for (int motor : new int[] {4, -1, 255, 256, Integer.MIN_VALUE}) {
      final int m = motor;
      String which = "motor " + motor;
      assertThrows(IllegalArgumentException.class, () -> torqa.getRPM(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.getEncoderSpeed(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.getEncoderRaw(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.getEncoderCount(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.getEncoderDistance(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.getOrvixPosition(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.getLimitSwitch(m, true), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.tryGetRPM(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.tryGetTargetRPM(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.setSpeed(m, 1.0), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.configureMotor(m, 1000), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.disableMotor(m), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.setTargetVelocity(m, 1.0), which);
      assertThrows(IllegalArgumentException.class, () -> torqa.setDistancePerTick(m, 2.0), which);
    }
    assertTrue(
        SimCan.sentFrames().stream().allMatch(f -> ((f.id >> 6) & 0x3FF) <= 1),
        "a refused motor index sends nothing but the heartbeat goes on");
  }

  @Test
  void distancePerTickBelongsToOneController() {
    try (Torqa other = new Torqa(DEVICE + 1, 1000)) {
      SimCan.inject(statusId(39), 0xD0, 0x07, 0, 0, 0, 0, 0, 0); // motor 2 of DEVICE: 2000 ticks
      SimCan.inject(statusId(DEVICE + 1, 39), 0xD0, 0x07, 0, 0, 0, 0, 0, 0);
      torqa.setDistancePerTick(2, 0.25);
      assertEquals(500.0, torqa.getEncoderDistance(2));
      assertEquals(2000.0, other.getEncoderDistance(2), "the other controller keeps its own scale");
    }
  }

  @Test
  void tryGetWritesOnlyElementZeroAndOnlyOnSuccess() {
    double[] out = {7.0, 8.0};
    assertFalse(TorqaJNI.c_Torqa_tryGetRPM(handle, 0, out), "no frame yet");
    assertArrayEquals(new double[] {7.0, 8.0}, out);
    assertFalse(TorqaJNI.c_Torqa_tryGetRPM(handle, 0, null));
    assertEquals(OptionalDouble.empty(), torqa.tryGetRPM(0));

    SimCan.inject(statusId(41), 0x39, 0x30, 0, 0, 0, 0, 0, 0);
    assertFalse(TorqaJNI.c_Torqa_tryGetRPM(handle, 0, null), "null even with data");
    assertFalse(TorqaJNI.c_Torqa_tryGetRPM(handle, 0, new double[0]), "no room for the value");
    assertTrue(TorqaJNI.c_Torqa_tryGetRPM(handle, 0, out));
    assertArrayEquals(new double[] {123.45, 8.0}, out);
    // The class read the frame (absent) a moment ago, and shares that read for up to 1 ms.
    assertTrue(Wait.until(() -> torqa.tryGetRPM(0).equals(OptionalDouble.of(123.45))));
    assertTrue(TorqaJNI.c_Torqa_tryGetRPM(handle, 5, out), "the native reads motor 0's frame");
    assertThrows(IllegalArgumentException.class, () -> torqa.tryGetRPM(5), "motors 0-3 only");

    SimCan.inject(statusId(49), 0x64, 0, 0, 0, 0, 0, 0, 0);
    out[0] = 3.0;
    assertFalse(TorqaJNI.c_Torqa_tryGetTargetRPM(handle, 5, out));
    assertFalse(TorqaJNI.c_Torqa_tryGetTargetRPM(handle, 0, out));
    assertEquals(3.0, out[0], "untouched on failure");
    assertTrue(TorqaJNI.c_Torqa_tryGetTargetRPM(handle, 1, out));
    assertEquals(1.0, out[0]);
    assertEquals(OptionalDouble.of(1.0), torqa.tryGetTargetRPM(1));
    assertEquals(OptionalDouble.empty(), torqa.tryGetTargetRPM(2));
  }

  @Test
  void theFourTargetsComeAsAnArrayOnlyWhenAllAreThere() {
    assertNull(TorqaJNI.c_Torqa_getTargetRPMFromDevice(handle));
    SimCan.inject(statusId(48), 0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0);
    SimCan.inject(statusId(49), 0x64, 0, 0, 0, 0, 0, 0, 0);
    SimCan.inject(statusId(50), 0xC8, 0, 0, 0, 0, 0, 0, 0);
    assertNull(TorqaJNI.c_Torqa_getTargetRPMFromDevice(handle));
    assertTrue(torqa.getTargetRPMs().isEmpty());
    SimCan.inject(statusId(51), 0x2C, 0x01, 0, 0, 0, 0, 0, 0);
    assertArrayEquals(
        new double[] {-10.0, 1.0, 2.0, 3.0}, TorqaJNI.c_Torqa_getTargetRPMFromDevice(handle));
    // The class read the frames a moment ago, and shares that read for up to 1 ms.
    assertTrue(Wait.until(() -> torqa.getTargetRPMs().isPresent()));
    assertArrayEquals(new double[] {-10.0, 1.0, 2.0, 3.0}, torqa.getTargetRPMs().orElseThrow());
  }

  @Test
  void withoutAControllerEverythingReadsZero() {
    assertEquals(0.0, torqa.getRPM(0));
    assertEquals(0, torqa.getFrequency());
    assertEquals(0, torqa.getEncoderCount(0));
    assertTrue(torqa.tryGetRPM(0).isEmpty());
    assertTrue(torqa.getTargetRPMs().isEmpty());
    torqa.close();
    assertEquals(0.0, torqa.getRPM(0));
    assertTrue(torqa.tryGetRPM(0).isEmpty());
  }
}
