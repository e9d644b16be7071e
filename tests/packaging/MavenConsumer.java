import com.korvane.frc.jni.KorvaneDriverLibrary;
import com.korvane.frc.jni.KromelJNI;
import com.korvane.frc.sim.KromelUsbEmulator;

/**
 * A robot program's use of the library taken from the Maven-layout repository alone: opens a
 * colour sensor on an emulated USB port and waits for its first reading. Exits 0 on success.
 * Usage: java MavenConsumer <expected version>
 */
public final class MavenConsumer {
  public static void main(String[] args) throws Exception {
    String expected = args[0];
    if (!KorvaneDriverLibrary.VERSION.equals(expected)) {
      fail("the jar says version " + KorvaneDriverLibrary.VERSION + ", the build " + expected);
    }
    if (!KorvaneDriverLibrary.nativeVersion().equals(expected)) {
      fail("the native library says version " + KorvaneDriverLibrary.nativeVersion());
    }
    try (KromelUsbEmulator emulator = KromelUsbEmulator.start(20)) {
      emulator.setColor(0.25f, 0.5f, 0.75f);
      long sensor = KromelJNI.c_Kromel_createUsb(emulator.path(), 20);
      if (sensor == 0) {
        fail("the colour sensor on " + emulator.path() + " did not open");
      }
      try {
        Object reading = null;
        long deadline = System.nanoTime() + 20_000_000_000L;
        while (reading == null && System.nanoTime() < deadline) {
          reading = KromelJNI.c_Kromel_getColor(sensor);
          if (reading == null) {
            Thread.sleep(20);
          }
        }
        if (reading == null) {
          fail("no colour reading within 20 s");
        }
        float y = reading.getClass().getField("y").getFloat(reading);
        if (y != 0.5f) {
          fail("the reading's y is " + y + ", the emulator sends 0.5");
        }
        System.out.println("KorvaneDriver " + KorvaneDriverLibrary.VERSION + ": colour sensor on "
            + emulator.path() + " read " + reading);
      } finally {
        KromelJNI.c_Kromel_destroy(sensor);
      }
    }
  }

  private static void fail(String why) {
    System.out.println("FAILED: " + why);
    System.exit(1);
  }
}
