package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.DystanJNI;
import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.jni.LidarJNI;
import com.korvane.frc.jni.LidarMiniJNI;
import com.korvane.frc.jni.TorqaJNI;
import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSerial;
import java.util.Arrays;
import java.util.function.IntSupplier;
import org.junit.jupiter.api.Test;

/**
 * The per-loop reads that fill what the caller hands them: each gives what the result-object
 * native gives for the same state, fills the caller's storage again on the next call, and takes a
 * reading and its age from one snapshot.
 */
class LoopReadsTest {
  private static int torqaStatus(int device, int api) {
    return 0x020C0000 | (api << 6) | device;
  }

  @Test
  void motorControllerRecentReadsGiveWhatTheFrameReadsGive() {
    SimCan.reset();
    try (Torqa torqa = new Torqa(9, 1000)) {
      long h = torqa.getHandle();
      SimCan.inject(torqaStatus(9, 12), 0x20, 0x4E, 0, 0, 0, 0, 0, 0);
      SimCan.inject(torqaStatus(9, 47), 0x2A, 0x32, 0, 0, 0, 0, 0, 0);
      SimCan.inject(torqaStatus(9, 42), 0x18, 0xFC, 0xFF, 0xFF, 0, 0, 0, 0);
      SimCan.inject(torqaStatus(9, 39), 0xD0, 0x07, 0, 0, 0, 0, 0, 0);
      SimCan.inject(torqaStatus(9, 45), 0x00, 0x01, 0x02, 0x00, 0, 0, 0, 0);
      SimCan.inject(torqaStatus(9, 36), 0, 0, 0x10, 0x27, 0, 0, 0, 0);
      for (int api = 48; api <= 51; api++) {
        SimCan.inject(torqaStatus(9, api), 0x39, 0x30 + api - 48, 0, 0, 0, 0, 0, 0);
      }
      assertEquals(TorqaJNI.c_Torqa_getFrequency(h), TorqaJNI.c_Torqa_getRecentFrequency(h));
      assertEquals(
          TorqaJNI.c_Torqa_getControllerTemp(h), TorqaJNI.c_Torqa_getRecentControllerTemp(h));
      assertEquals(TorqaJNI.c_Torqa_getRPM(h, 1), TorqaJNI.c_Torqa_getRecentRPM(h, 1));
      assertEquals(
          TorqaJNI.c_Torqa_getEncoderSpeed(h, 1), TorqaJNI.c_Torqa_getRecentEncoderSpeed(h, 1));
      assertEquals(
          TorqaJNI.c_Torqa_getEncoderCount(h, 2), TorqaJNI.c_Torqa_getRecentEncoderCount(h, 2));
      for (int motor = 0; motor < 2; motor++) {
        for (boolean second : new boolean[] {false, true}) {
          assertEquals(
              TorqaJNI.c_Torqa_getLimitSwitch(h, motor, second),
              TorqaJNI.c_Torqa_getRecentLimitSwitch(h, motor, second));
        }
      }
      assertEquals(
          TorqaJNI.c_Torqa_getOrvixPosition(h, 1), TorqaJNI.c_Torqa_getRecentOrvixPosition(h, 1));
      double[] once = new double[1];
      double[] recent = new double[1];
      assertTrue(TorqaJNI.c_Torqa_tryGetRPM(h, 1, once));
      assertTrue(TorqaJNI.c_Torqa_tryGetRecentRPM(h, 1, recent));
      assertEquals(once[0], recent[0]);
      assertTrue(TorqaJNI.c_Torqa_tryGetTargetRPM(h, 3, once));
      assertTrue(TorqaJNI.c_Torqa_tryGetRecentTargetRPM(h, 3, recent));
      assertEquals(once[0], recent[0]);
      double[] targets = new double[4];
      assertTrue(TorqaJNI.c_Torqa_getRecentTargetRPMs(h, targets));
      assertArrayEquals(TorqaJNI.c_Torqa_getTargetRPMFromDevice(h), targets);

      // The same array again, with the new targets once the frames have been read again.
      for (int api = 48; api <= 51; api++) {
        SimCan.inject(torqaStatus(9, api), 0x10, 0x27, 0, 0, 0, 0, 0, 0);
      }
      assertTrue(Wait.until(() -> torqa.getTargetRPMs(targets) == targets && targets[3] == 100.0));
      assertArrayEquals(new double[] {100.0, 100.0, 100.0, 100.0}, targets);
    } finally {
      SimCan.reset();
    }
  }

  @Test
  void allFourMotorsAtOnceGiveWhatEachMotorsReadsGiveIntoTheSameArray() {
    SimCan.reset();
    Torqa torqa = new Torqa(9, 1000);
    try {
      long h = torqa.getHandle();
      for (int motor = 0; motor < Torqa.MOTORS; motor++) {
        SimCan.inject(torqaStatus(9, 41 + motor), 0x10 * (motor + 1), 0x01, 0, 0, 0, 0, 0, 0);
        SimCan.inject(torqaStatus(9, 37 + motor), 0x18, 0xFC - motor, 0xFF, 0xFF, 0, 0, 0, 0);
      }
      double[] into = new double[8];
      assertTrue(TorqaJNI.c_Torqa_readMotorTelemetry(h, into));
      for (int motor = 0; motor < Torqa.MOTORS; motor++) {
        assertEquals(TorqaJNI.c_Torqa_getRPM(h, motor), into[motor], "motor " + motor);
        assertEquals(TorqaJNI.c_Torqa_getEncoderCount(h, motor), into[4 + motor], "motor " + motor);
        assertEquals(into[motor], torqa.getRPM(motor));
        assertEquals((int) into[4 + motor], torqa.getEncoderCount(motor));
      }
      assertEquals(-1000.0, into[4]);

      // New frames: the same array gets them on the next call, which reads the bus at once.
      for (int motor = 0; motor < Torqa.MOTORS; motor++) {
        SimCan.inject(torqaStatus(9, 41 + motor), 0x64, 0, 0, 0, 0, 0, 0, 0);
        SimCan.inject(torqaStatus(9, 37 + motor), 7 + motor, 0, 0, 0, 0, 0, 0, 0);
      }
      double[] same = into;
      assertTrue(TorqaJNI.c_Torqa_readMotorTelemetry(h, into));
      assertSame(same, into);
      assertArrayEquals(new double[] {1, 1, 1, 1, 7, 8, 9, 10}, into);
      assertTrue(Wait.until(() -> torqa.getRPM(3) == 1.0 && torqa.getEncoderCount(3) == 10));

      // Nothing is filled for a short array or a handle that is not open.
      double[] shorter = {5, 5, 5, 5, 5, 5, 5};
      assertEquals(false, TorqaJNI.c_Torqa_readMotorTelemetry(h, shorter));
      assertArrayEquals(new double[] {5, 5, 5, 5, 5, 5, 5}, shorter);
      assertEquals(false, TorqaJNI.c_Torqa_readMotorTelemetry(h, null));
      torqa.close();
      assertEquals(false, TorqaJNI.c_Torqa_readMotorTelemetry(h, into));
      assertEquals(0.0, torqa.getRPM(3));
      assertEquals(0, torqa.getEncoderCount(3));
    } finally {
      torqa.close();
      SimCan.reset();
    }
  }

  /**
   * Threads reading one controller's motors while its frames keep changing get, for every read,
   * that motor's value of that kind and never another slot's, a half-made one or a "nothing
   * there" stand-in; once the frames stop changing, every reader gets the newest.
   */
  @Test
  void motorReadsFromManyThreadsGiveEachMotorsOwnValues() throws Exception {
    SimCan.reset();
    try (Torqa torqa = new Torqa(9, 1000)) {
      int rounds = 2000;
      long reads =
          CallerRace.race(
              3,
              () -> torqa,
              t -> {
                for (int motor = 0; motor < Torqa.MOTORS; motor++) {
                  int rpm = (int) Math.round(t.getRPM(motor) * 100);
                  int count = t.getEncoderCount(motor);
                  int low = 5000 * motor;
                  assertTrue(rpm == 0 || (rpm > low && rpm <= low + rounds), "rpm " + rpm);
                  assertTrue(
                      count == 0 || (count > low + 20000 && count <= low + 20000 + rounds),
                      "count " + count);
                }
              },
              round -> {
                int n = Math.min(round + 1, rounds);
                for (int motor = 0; motor < Torqa.MOTORS; motor++) {
                  int rpm = 5000 * motor + n;
                  int count = 5000 * motor + 20000 + n;
                  SimCan.inject(torqaStatus(9, 41 + motor), rpm & 0xFF, rpm >> 8, 0, 0, 0, 0, 0, 0);
                  SimCan.inject(
                      torqaStatus(9, 37 + motor), count & 0xFF, count >> 8, 0, 0, 0, 0, 0, 0);
                }
              },
              rounds,
              3000);
      assertTrue(reads >= 3000);
      for (int motor = 0; motor < Torqa.MOTORS; motor++) {
        int m = motor;
        assertTrue(
            Wait.until(
                () ->
                    Math.round(torqa.getRPM(m) * 100) == 5000 * m + rounds
                        && torqa.getEncoderCount(m) == 5000 * m + 20000 + rounds),
            "motor " + motor + " reads the newest frames");
      }
    } finally {
      SimCan.reset();
    }
  }

  @Test
  void colourReadsGiveWhatGetColorGivesIntoTheSameObject() {
    SimCan.reset();
    long h = KromelJNI.c_Kromel_create(2);
    assertNotEquals(0, h);
    try (Kromel kromel = new Kromel(3)) {
      int[] frame = {7, 0, 0x10, 0x27, 0xF0, 0xD8, 0x88, 0x13};
      SimCan.inject(0x04090540, frame);
      Kromel.ColorData made = KromelJNI.c_Kromel_getColor(h);
      assertNotNull(made);
      SimCan.inject(0x04090540, frame); // the same state again: each frame is received once
      float[] xyz = new float[3];
      long[] age = {-2};
      assertEquals(made.sequence, KromelJNI.c_Kromel_readColor(h, xyz, age));
      assertArrayEquals(new float[] {made.x, made.y, made.z}, xyz);
      // The reading's age and the sensor's data age come from the same stamp: the reading is the
      // newest data, so the data age, taken after it, is at least as old.
      assertTrue(age[0] >= 0, "age " + age[0]);
      assertTrue(KromelJNI.c_Kromel_getDataAgeMs(h) >= age[0]);
      assertEquals(-1, KromelJNI.c_Kromel_readColor(h, xyz, age), "no new frame: no reading");
      assertEquals(-1, KromelJNI.c_Kromel_readColor(h, new float[2], age));
      assertEquals(-1, KromelJNI.c_Kromel_readColor(h, xyz, new long[0]));

      Kromel.ColorData into = new Kromel.ColorData();
      float[] channels = into.channels;
      SimCan.inject(0x04090540, 8, 0, 0x10, 0x27, 0x10, 0x27, 0x10, 0x27);
      assertSame(into, kromel.getColor(into));
      SimCan.inject(0x04090540, 9, 0, 0xF0, 0xD8, 0xF0, 0xD8, 0xF0, 0xD8);
      assertSame(into, kromel.getColor(into));
      assertSame(channels, into.channels);
      assertEquals(9, into.sequence);
      assertEquals(-1.0f, into.x);
      assertEquals(-1.0f, into.z);
      assertNull(kromel.getColor(into), "no new frame");
      assertEquals(9, into.sequence, "left as it was");
    } finally {
      KromelJNI.c_Kromel_destroy(h);
      SimCan.reset();
    }
  }

  @Test
  void distanceReadsGiveWhatGetLatestDataGivesIntoTheSameArray() {
    int chunk = 0x06090040 + 4;
    SimCan.reset();
    long h = DystanJNI.c_Dystan_create(4);
    assertNotEquals(0, h);
    try {
      injectScan(chunk, 5);
      Dystan.ScanData made = DystanJNI.c_Dystan_getLatestData(h, 64);
      assertNotNull(made);
      int[] distance = new int[64];
      long[] age = {-2};
      int result = DystanJNI.c_Dystan_readLatestData(h, 64, distance, age);
      assertEquals(made.sequence, result >>> 16);
      assertEquals(made.distance.length, result & 0xFFFF);
      assertArrayEquals(made.distance, Arrays.copyOf(distance, result & 0xFFFF));
      // The scan's newest chunk is the sensor's newest data: its data age, taken later, is no
      // younger than the scan's.
      assertTrue(age[0] >= 0, "age " + age[0]);
      assertTrue(DystanJNI.c_Dystan_getDataAgeMs(h) >= age[0]);
      assertEquals(0, DystanJNI.c_Dystan_readLatestData(h, 0, distance, age), "nothing asked for");
      assertEquals(-1, age[0], "no scan, no age");
      assertEquals(-1, DystanJNI.c_Dystan_readLatestData(h, 64, new int[63], age));
      assertEquals(-1, DystanJNI.c_Dystan_readLatestData(h, 64, distance, null));
    } finally {
      DystanJNI.c_Dystan_destroy(h);
    }
    try (Dystan dystan = new Dystan(4)) {
      injectScan(chunk, 6);
      Dystan.ScanData into = new Dystan.ScanData();
      assertSame(into, dystan.getData(10, into));
      int[] array = into.distance;
      assertEquals(10, into.size());
      injectScan(chunk, 7);
      assertSame(into, dystan.getData(10, into));
      assertSame(array, into.distance);
      assertEquals(7, into.sequence);
      assertEquals(700 + 9, into.distance[9]);
    } finally {
      SimCan.reset();
    }
  }

  @Test
  void distanceReadsOverUsbGiveWhatGetLatestDataGives() {
    try (DystanUsbEmulator sensor = DystanUsbEmulator.start(20, false)) {
      sensor.setDistances(100, 200, 300);
      long h = DystanJNI.c_Dystan_createUsb(sensor.path(), 20);
      assertNotEquals(0, h);
      try {
        assertTrue(Wait.until(() -> DystanJNI.c_Dystan_getLatestData(h, 64).distance.length == 3));
        sensor.setStreaming(false);
        assertTrue(
            Wait.until(() -> staysFor200Ms(() -> DystanJNI.c_Dystan_getLatestData(h, 64).sequence)));
        Dystan.ScanData made = DystanJNI.c_Dystan_getLatestData(h, 64);
        int[] distance = new int[64];
        long[] age = new long[1];
        int result = DystanJNI.c_Dystan_readLatestData(h, 64, distance, age);
        assertEquals(made.sequence, result >>> 16);
        assertEquals(3, result & 0xFFFF);
        assertArrayEquals(made.distance, Arrays.copyOf(distance, 3));
        // The sensor is silent and its last scan is its newest data: the scan's age and the
        // sensor's data age are one count, each taken later no smaller.
        long scanAge = age[0];
        long dataAge = DystanJNI.c_Dystan_getDataAgeMs(h);
        DystanJNI.c_Dystan_readLatestData(h, 64, distance, age);
        assertTrue(
            scanAge >= 0 && scanAge <= dataAge && dataAge <= age[0],
            scanAge + " <= " + dataAge + " <= " + age[0]);
      } finally {
        DystanJNI.c_Dystan_destroy(h);
      }
    }
  }

  @Test
  void lidarReadsGiveWhatGetDataGivesIntoTheSameArrays() {
    try (LidarRoomEmulator device = LidarRoomEmulator.start(1, false)) {
      SimSerial.mapPort(SerialPort.USB1.value(), device.path());
      try (Lidar lidar = new Lidar(SerialPort.USB1)) {
        Lidar.ScanData into = new Lidar.ScanData();
        assertSame(into, lidar.getData(into));
        assertEquals(-1, into.ageMs, "no point yet");
        float[] angle = into.angle;
        float[] distance = into.distance;
        assertTrue(device.send(scanStart(4000)));
        assertTrue(Wait.until(() -> lidar.getData(into).distance[93] == 1000.0f));
        assertSame(angle, into.angle);
        assertSame(distance, into.distance);

        long before = LidarJNI.c_Lidar_getDataAgeMs();
        Lidar.ScanData made = LidarJNI.c_Lidar_getData();
        float[] angles = new float[360];
        float[] distances = new float[360];
        long age = LidarJNI.c_Lidar_readData(angles, distances);
        long after = LidarJNI.c_Lidar_getDataAgeMs();
        assertArrayEquals(made.angle, angles);
        assertArrayEquals(made.distance, distances);
        assertTrue(before <= age && age <= after, before + " <= " + age + " <= " + after);
        assertEquals(Long.MIN_VALUE, LidarJNI.c_Lidar_readData(angles, new float[359]));
        assertEquals(Long.MIN_VALUE, LidarJNI.c_Lidar_readData(null, distances));
      }
    }
  }

  @Test
  void miniLidarReadsGiveWhatGetDataGivesIntoTheSameArrays() {
    try (LidarMiniEmulator device = LidarMiniEmulator.start()) {
      device.plugIn();
      try (LidarMini mini = new LidarMini(SerialPort.USB1)) {
        mini.start();
        LidarMini.ScanData into = new LidarMini.ScanData();
        assertTrue(Wait.until(() -> mini.getData(into).size() > 0));
        float[] angle = into.angle;
        long first = into.timestamp;
        assertTrue(Wait.until(() -> mini.getData(into).timestamp != first));
        assertSame(angle, into.angle, "the next revolution fills the same arrays");
      }
      long h = LidarMiniJNI.c_LidarMini_create(SerialPort.USB1.value());
      assertNotEquals(0, h);
      try {
        LidarMiniJNI.c_LidarMini_start(h);
        assertTrue(Wait.until(() -> LidarMiniJNI.c_LidarMini_getData(h).angle.length > 0));
        device.setSilent(true);
        assertTrue(
            Wait.until(
                () -> staysFor200Ms(() -> (int) LidarMiniJNI.c_LidarMini_getData(h).timestamp)));
        LidarMini.ScanData made = LidarMiniJNI.c_LidarMini_getData(h);
        int n = made.angle.length;
        float[] angles = new float[n];
        float[] distances = new float[n];
        float[] intensities = new float[n];
        long[] time = new long[1];
        long[] age = {-2};
        assertEquals(
            n, LidarMiniJNI.c_LidarMini_readData(h, angles, distances, intensities, time, age));
        assertArrayEquals(made.angle, angles);
        assertArrayEquals(made.distance, distances);
        assertArrayEquals(made.intensity, intensities);
        assertEquals(made.timestamp, time[0]);
        // The revolution's age counts from its last packet, no later than the device's newest
        // bytes, on the same clock: the data age taken after it is no older.
        long revolutionAge = age[0];
        long dataAge = LidarMiniJNI.c_LidarMini_getDataAgeMs(h);
        LidarMiniJNI.c_LidarMini_readData(h, angles, distances, intensities, time, age);
        assertTrue(
            revolutionAge >= 0 && dataAge >= 0 && dataAge <= age[0],
            revolutionAge + ", " + dataAge + " <= " + age[0]);
        float[] one = new float[1];
        assertEquals(
            n,
            LidarMiniJNI.c_LidarMini_readData(h, one, one, one, time, age),
            "the count of a revolution that does not fit, to size the arrays by");
        assertEquals(
            -1, LidarMiniJNI.c_LidarMini_readData(h, angles, distances, intensities, null, age));
        assertEquals(
            -1, LidarMiniJNI.c_LidarMini_readData(h, angles, distances, intensities, time, null));
      } finally {
        LidarMiniJNI.c_LidarMini_destroy(h);
      }
    }
  }

  @Test
  void aLidarReadingsAgeNeverBelongsToANewerPointThanItsTable() throws Exception {
    // Packets come 30 ms apart, each putting 1000 + i mm into slot 93. A reading that shows packet
    // i was taken no earlier than the call began, and packet i was filed no later than the end of
    // the first call that showed it: so its age is at least the time between those two. An age
    // taken from a later packet than the table's would be below that bound.
    try (LidarRoomEmulator device = LidarRoomEmulator.start(1, false)) {
      SimSerial.mapPort(SerialPort.USB1.value(), device.path());
      try (Lidar lidar = new Lidar(SerialPort.USB1)) {
        final int packets = 40;
        Thread writer =
            new Thread(
                () -> {
                  for (int i = 0; i < packets; i++) {
                    device.send(scanStart(4 * (1000 + i)));
                    try {
                      Thread.sleep(30);
                    } catch (InterruptedException e) {
                      return;
                    }
                  }
                });
        long[] firstSeenEnd = new long[packets];
        Arrays.fill(firstSeenEnd, Long.MAX_VALUE);
        Lidar.ScanData into = new Lidar.ScanData();
        int checked = 0;
        int tooYoung = 0;
        String example = "";
        writer.start();
        while (writer.isAlive()) {
          long start = System.nanoTime();
          lidar.getData(into);
          long end = System.nanoTime();
          int i = (int) into.distance[93] - 1000;
          if (i < 0 || i >= packets) {
            continue;
          }
          if (firstSeenEnd[i] == Long.MAX_VALUE) {
            firstSeenEnd[i] = end;
          } else if (start > firstSeenEnd[i]) {
            long bound = (start - firstSeenEnd[i]) / 1_000_000;
            checked++;
            if (into.ageMs < bound) {
              tooYoung++;
              example = "packet " + i + ": age " + into.ageMs + " ms, at least " + bound + " ms";
            }
          }
        }
        writer.join();
        assertTrue(checked > 1000, "only " + checked + " readings checked");
        assertEquals(0, tooYoung, example);
        assertNotEquals(Long.MAX_VALUE, firstSeenEnd[packets - 1], "every packet was read");
      }
    }
  }

  // Whether the value stays as it is for 200 ms.
  private static boolean staysFor200Ms(IntSupplier value) {
    int first = value.getAsInt();
    long end = System.nanoTime() + 200_000_000L;
    while (System.nanoTime() < end) {
      if (value.getAsInt() != first) {
        return false;
      }
    }
    return true;
  }

  // The 22 chunk frames of a scan whose position k carries sequence * 100 + k.
  private static void injectScan(int id, int sequence) {
    for (int chunk = 0; chunk < 22; chunk++) {
      int[] frame = new int[8];
      frame[0] = sequence;
      frame[1] = chunk;
      for (int v = 0; v < 3; v++) {
        int value = sequence * 100 + chunk * 3 + v;
        frame[2 + 2 * v] = value & 0xFF;
        frame[3 + 2 * v] = value >> 8;
      }
      SimCan.inject(id, frame);
    }
  }

  // A scan-start packet: one sample at 100 degrees; 1000..2000 mm is filed in slot 93.
  private static byte[] scanStart(int rawDistance) {
    int start = 100 * 128;
    return new byte[] {
      (byte) 0xAA, 0x55, 0x01, 0x01,
      (byte) start, (byte) (start >> 8), (byte) start, (byte) (start >> 8), 0, 0,
      (byte) rawDistance, (byte) (rawDistance >> 8)
    };
  }
}
