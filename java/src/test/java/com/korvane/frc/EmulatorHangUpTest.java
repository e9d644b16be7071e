package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.sim.DystanUsbEmulator;
import com.korvane.frc.sim.KromelUsbEmulator;
import com.korvane.frc.sim.LidarMiniEmulator;
import com.korvane.frc.sim.LidarRoomEmulator;
import com.korvane.frc.sim.PtyEmulator;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import org.junit.jupiter.api.Test;

/** Every emulator on a pseudo-terminal: its path, hanging up like an unplugged device, closing. */
class EmulatorHangUpTest {
  @Test
  void eachEmulatorVanishesOnHangUpAndClosesTwiceQuietly() {
    List<PtyEmulator> emulators =
        List.of(
            KromelUsbEmulator.start(20),
            DystanUsbEmulator.start(10, false),
            LidarMiniEmulator.start(),
            LidarRoomEmulator.start(1, false));
    for (PtyEmulator emulator : emulators) {
      String path = emulator.path();
      assertTrue(path.startsWith("/dev/pts/"), path);
      Object made = madeAt(path);
      assertTrue(made != null, path);
      emulator.hangUp();
      assertTrue(Wait.until(() -> !made.equals(madeAt(path))), path + " still there");
      assertEquals(path, emulator.path());
      emulator.hangUp();
      emulator.close();
      emulator.close();
    }
  }

  /**
   * When the terminal's node was made, or null once it is gone. A freed terminal's number goes to
   * the next terminal any program opens, under a node made anew.
   */
  private static Object madeAt(String path) {
    try {
      return Files.getAttribute(Path.of(path), "unix:ctime");
    } catch (IOException e) {
      return null;
    }
  }

  @Test
  void sendingFailsOnceHungUpOrClosed() {
    KromelUsbEmulator kromel = KromelUsbEmulator.start(20);
    DystanUsbEmulator dystan = DystanUsbEmulator.start(10, false);
    LidarRoomEmulator room = LidarRoomEmulator.start(1, false);
    try {
      kromel.setStreaming(false);
      dystan.setStreaming(false);
      assertTrue(kromel.send("x"));
      assertTrue(dystan.send(new byte[] {1}));
      assertTrue(room.send(new byte[] {1}));
      kromel.hangUp();
      dystan.hangUp();
      room.hangUp();
      assertFalse(kromel.send("x"));
      assertFalse(dystan.send(new byte[] {1}));
      assertFalse(room.send(new byte[] {1}));
      kromel.close();
      assertFalse(kromel.send("x"));
    } finally {
      kromel.close();
      dystan.close();
      room.close();
    }
  }
}
