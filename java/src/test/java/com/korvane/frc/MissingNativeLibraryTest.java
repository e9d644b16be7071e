package com.korvane.frc;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.korvane.frc.jni.KorvaneDriverLibrary;
import com.korvane.frc.sim.KromelUsbEmulator;
import com.korvane.frc.sim.SimCan;
import com.korvane.frc.sim.SimSerial;
import com.korvane.frc.sim.SimSystem;
import com.korvane.frc.sim.SimulationUnavailableException;
import com.korvane.frc.sim.TorqaSimulator;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;

/**
 * A robot program on a platform without the native library (macOS, a wrong architecture, a broken
 * install): run in a JVM whose java.library.path holds no driver library. Every device class
 * refuses to open with a DeviceOpenException naming the platform, every time, and the simulation
 * controls throw their own exception; nothing throws an Error into the program.
 */
class MissingNativeLibraryTest {
  private static void refusedTwice(String device, Executable open) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
      DeviceOpenException e = assertThrows(DeviceOpenException.class, open, device + " " + attempt);
      assertEquals(device, e.getDevice());
      String message = e.getMessage();
      assertTrue(message.contains(System.getProperty("os.name")), message);
      assertTrue(message.contains(System.getProperty("os.arch")), message);
      assertTrue(message.contains(System.mapLibraryName("KorvaneDriver")), message);
      for (String platform : List.of("linuxathena", "linuxx86-64", "linuxarm32", "windowsx86-64")) {
        assertTrue(message.contains(platform), message);
      }
    }
  }

  @Test
  void everyDeviceClassRefusesToOpenWithTheReasonEveryTime() {
    refusedTwice("Torqa", () -> new Torqa(1, 1000));
    refusedTwice("Kromel", () -> new Kromel(1));
    refusedTwice("Kromel", () -> new Kromel("COM5", 20));
    refusedTwice("Kromel", () -> Kromel.openUsbAsync("/dev/ttyACM0", 20));
    refusedTwice("Kromel", () -> Kromel.findDevicePath(SerialPort.ONBOARD));
    refusedTwice("Dystan", () -> new Dystan(5));
    refusedTwice("Dystan", () -> new Dystan("/dev/ttyACM0", 10));
    refusedTwice("Dystan", () -> Dystan.openUsbAsync("/dev/ttyACM0", 10));
    refusedTwice("Dystan", () -> Dystan.findDevicePath(SerialPort.USB2));
    refusedTwice("Lidar", () -> new Lidar(SerialPort.USB1));
    refusedTwice("Lidar", () -> Lidar.openAsync(SerialPort.USB1));
    refusedTwice("LidarMini", () -> new LidarMini(SerialPort.ONBOARD));
    refusedTwice("LidarMini", () -> LidarMini.openAsync(SerialPort.ONBOARD));
    refusedTwice("Linvo", () -> new Linvo(3.3f));
    refusedTwice("MockDS", () -> new MockDS());
  }

  private static void unavailableTwice(String what, Executable control) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
      SimulationUnavailableException e =
          assertThrows(SimulationUnavailableException.class, control, what + " " + attempt);
      String message = e.getMessage();
      assertTrue(message.contains(System.getProperty("os.name")), message);
      assertTrue(message.contains(System.getProperty("os.arch")), message);
      assertTrue(message.contains("windowsx86-64"), message);
    }
  }

  @Test
  void theSimulationControlsThrowTheirOwnExceptionEveryTime() {
    unavailableTwice("SimSystem", () -> SimSystem.setSystemActive(true));
    unavailableTwice("SimCan", SimCan::reset);
    unavailableTwice("SimSerial", () -> SimSerial.mapPort(2, "COM5"));
    unavailableTwice("TorqaSimulator", () -> TorqaSimulator.attach(1));
    unavailableTwice("KromelUsbEmulator", () -> KromelUsbEmulator.start(20));
  }

  @Test
  void theLoaderSaysWhyAndNeverThrows() {
    assertFalse(KorvaneDriverLibrary.load());
    assertFalse(KorvaneDriverLibrary.load());
    assertNull(KorvaneDriverLibrary.nativeVersion());
    String reason = KorvaneDriverLibrary.unavailableReason();
    assertTrue(reason.contains(System.getProperty("java.library.path")), reason);
    assertTrue(KorvaneDriverLibrary.PLATFORMS.contains("windowsx86-64"));
  }
}
