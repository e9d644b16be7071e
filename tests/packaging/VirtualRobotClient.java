import com.korvane.frc.jni.LidarMiniJNI;
import com.korvane.frc.sim.SimSerial;

/**
 * A robot program started with the virtual robot's settings in its environment: the HAL serial
 * port the LiDAR is mapped to leads to the LiDAR's terminal, and the mini LiDAR, opened as USB
 * serial device 0, answers an info request. Exits 0 on success.
 * Usage: java VirtualRobotClient.java <LiDAR port> <LiDAR path>
 */
public final class VirtualRobotClient {
  public static void main(String[] args) {
    int lidarPort = Integer.parseInt(args[0]);
    String mapped = SimSerial.portPath(lidarPort);
    if (!args[1].equals(mapped)) {
      fail("HAL serial port " + lidarPort + " leads to " + mapped + ", not " + args[1]);
    }
    long mini = LidarMiniJNI.c_LidarMini_create(0);
    if (mini == 0) {
      fail("the mini LiDAR did not open as USB serial device 0");
    }
    try {
      Object info = LidarMiniJNI.c_LidarMini_getInfo(mini);
      if (info == null) {
        fail("the mini LiDAR gave no info");
      }
      System.out.println("LiDAR on port " + lidarPort + " at " + mapped + "; mini LiDAR: " + info);
    } finally {
      LidarMiniJNI.c_LidarMini_destroy(mini);
    }
  }

  private static void fail(String why) {
    System.out.println("FAILED: " + why);
    System.exit(1);
  }
}
