package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.SimSerial;
import java.util.concurrent.atomic.AtomicBoolean;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

/**
 * The LiDAR's health through the JVM: connected while it streams, not after it is unplugged, and
 * back by itself when it is plugged in again; racing openings, starts and stops leave no serial
 * handle open once the last LiDAR is stopped and closed.
 */
class LidarHealthTest {
  @AfterEach
  void closePorts() {
    SimSerial.reset();
  }

  @Test
  void unpluggedAndPluggedInAgainItComesBack() {
    LidarRoomEmulator room = LidarRoomEmulator.start(1, true);
    PortLink port = new PortLink();
    assertTrue(SimSerial.mapPort(SerialPort.USB1.value(), port.to(room.path())));
    try (Lidar lidar = new Lidar(SerialPort.USB1)) {
      assertTrue(Wait.until(lidar::isConnected));
      port.unplug();
      room.hangUp();
      assertTrue(Wait.until(() -> !lidar.isConnected()));
      long age = lidar.getDataAgeMs();
      assertTrue(Wait.until(() -> lidar.getDataAgeMs() > age));
      assertTrue(lidar.getFaults().receiveFailures >= 1);

      room.close();
      room = LidarRoomEmulator.start(2, true);
      port.to(room.path());
      assertTrue(Wait.until(lidar::isConnected, 10000), "it opens the port again by itself");
      assertEquals(1, SimSerial.openHandles());
    } finally {
      room.close();
      port.close();
    }
    assertEquals(0, SimSerial.openHandles());
  }

  @Test
  void racingOpensStartsAndStopsLeaveNoHandleOpenAfterStopAndClose() throws InterruptedException {
    try (LidarRoomEmulator room = LidarRoomEmulator.start(1, true)) {
      assertTrue(SimSerial.mapPort(SerialPort.USB1.value(), room.path()));
      AtomicBoolean done = new AtomicBoolean();
      Lidar[] current = {new Lidar(SerialPort.USB1)};
      Thread opener =
          new Thread(
              () -> {
                while (!done.get()) {
                  Lidar next = new Lidar(SerialPort.USB1);
                  synchronized (current) {
                    current[0] = next;
                  }
                  next.start();
                }
              });
      Thread starter =
          new Thread(
              () -> {
                while (!done.get()) {
                  Lidar lidar;
                  synchronized (current) {
                    lidar = current[0];
                  }
                  lidar.start();
                  lidar.stop();
                }
              });
      opener.start();
      starter.start();
      Thread.sleep(3000);
      done.set(true);
      opener.join();
      starter.join();
      Lidar last = current[0];
      last.stop();
      last.close();
      assertEquals(0, SimSerial.openHandles());
      Thread.sleep(1200); // a reader that would open the port again has had the time to
      assertEquals(0, SimSerial.openHandles());
      assertFalse(last.isConnected());

      try (Lidar again = new Lidar(SerialPort.USB1)) {
        assertTrue(Wait.until(again::isConnected));
        assertEquals(1, SimSerial.openHandles());
      }
    }
  }
}
