package com.korvane.frc;

import com.korvane.frc.jni.LidarJNI;
import java.util.concurrent.CompletableFuture;

/**
 * The scanning LiDAR on one of the robot controller's serial ports. A thread in the driver reads
 * its scan packets and files every point into a table of 360 slots, one per whole degree;
 * {@link #getData()} returns a copy of that table at once, never waiting for the device.
 *
 * <p>There is at most one LiDAR: opening another replaces the first (settings made before are
 * lost). One of five filters can smooth each degree's distances over its last ten valid
 * readings; a reading outside 120..8000 mm passes as -1.0 and leaves the filters as they were.
 *
 * <p>Blocking: {@link #getData()}, the filter calls and {@link #stop()} return at once; {@link
 * #start()} opens and configures the port; opening a LiDAR that replaces another waits for
 * the replaced object's calls in progress and for the previous reader to stop, up to about 1 s;
 * {@link #close()} waits for this object's calls in progress ({@code getData} takes no lock: one
 * racing a closing returns null).
 *
 * <p>Thread-safe: every method may be called from any thread. The driver reports nothing back
 * when a port cannot be opened: it prints a line on standard error and leaves the previous LiDAR,
 * if any, reading, so opening never throws. There is one LiDAR per process: opening a {@code Lidar}
 * replaces the object opened before, which is closed from then on (its calls do nothing, and
 * closing it leaves the newer one scanning). After {@link #close()} the other methods do nothing
 * and {@code getData} returns null; {@code close} may be called from any thread, more than once.
 */
public final class Lidar implements AutoCloseable {
  /** Number of slots, one per whole degree. */
  public static final int SLOTS = 360;

  /** The filters; at most one is on at a time. */
  public enum Filter {
    /** The mean of the first cluster of close readings, or the newest reading. */
    CLUSTER(0),
    /** A Kalman estimate of each degree's distance. */
    KALMAN(1),
    /** The mean of the newest readings (window 5 until set). */
    MOVING_AVERAGE(2),
    /** The median of the newest readings (window 5 until set). */
    MEDIAN(3),
    /** Holds back, for one reading, a jump larger than the threshold. */
    JITTER(4);

    private final int id;

    Filter(int id) {
      this.id = id;
    }
  }

  /**
   * A copy of the scan table: index k of both arrays is whole degree k. A slot holds the last
   * point filed in its degree: its angle in degrees and its distance in millimetres, -1.0 when
   * the distance was outside 120..8000 mm. A slot no point has reached holds angle k and -1.0.
   */
  public static class ScanData {
    /** Degrees, one slot per whole degree. */
    public float[] angle;

    /** Millimetres; -1.0 for none. */
    public float[] distance;

    /**
     * Milliseconds between the newest point in the table and this copy, or -1 when no point has
     * been filed yet. A LiDAR that is unplugged or stopped keeps its last points, but their age
     * grows: compare it with what the program can accept (the LiDAR turns several times a
     * second, so a healthy one stays well below 1000).
     */
    public long ageMs = -1;

    /** An empty table, filled by the driver. */
    public ScanData() {}

    /**
     * Whether a slot holds a distance.
     *
     * @param k the slot, 0 to 359
     * @return true when slot k holds a distance
     */
    public boolean isValid(int k) {
      return distance[k] >= 0;
    }

    /**
     * The number of slots that hold a distance.
     *
     * @return 0 to 360
     */
    public int validCount() {
      int count = 0;
      for (float d : distance) {
        if (d >= 0) {
          count++;
        }
      }
      return count;
    }
  }

  // The driver keeps one LiDAR: this object's opening of it, which a newer one replaces.
  private final DeviceGuard guard;

  /**
   * Opens the LiDAR on a HAL serial port and starts reading it, replacing (and stopping) any
   * LiDAR opened before; filters start switched off. Blocks up to about 1 s while a replaced
   * LiDAR's reader stops. A port that cannot be opened is reported by a line on standard error.
   *
   * @param port the serial port
   * @throws DeviceOpenException when the native driver library cannot be loaded, or the driver
   *     cannot make the opening (out of memory)
   */
  public Lidar(SerialPort port) {
    DeviceOpenException.checkNative("Lidar", "on port " + port);
    DeviceGuard opened = DeviceGuard.open(() -> LidarJNI.c_Lidar_open(port.value()));
    if (opened == null) {
      throw new DeviceOpenException("Lidar", "on port " + port, "the driver could not open it");
    }
    guard = opened;
  }

  /**
   * Opens the LiDAR as {@link #Lidar(SerialPort)} does, on a library thread, so that waiting for
   * a replaced LiDAR's reader holds no caller. Returns at once.
   *
   * @param port the serial port
   * @return completes with the LiDAR, which the caller closes
   * @throws DeviceOpenException at once when the native driver library cannot be loaded
   */
  public static CompletableFuture<Lidar> openAsync(SerialPort port) {
    DeviceOpenException.checkNative("Lidar", "on port " + port);
    return LibraryExecutor.open(() -> new Lidar(port));
  }

  /**
   * Opens the port after {@link #stop()}, or after an opening that could not open it (a LiDAR
   * plugged in late); scanning resumes. While scanning, it opens the port afresh when the port was
   * lost (the LiDAR unplugged) or the LiDAR fell silent (see {@link #isConnected()}); a LiDAR that
   * scans is left alone, with a line saying it is already scanning. Prints a line when the port
   * cannot be opened (the LiDAR then stays stopped, or after a loss keeps trying by itself, and a
   * later start tries again).
   */
  public void start() {
    guard.call(LidarJNI::c_Lidar_startOpened);
  }

  /** Stops scanning and closes the port; the table keeps its last points. Returns at once. */
  public void stop() {
    guard.call(LidarJNI::c_Lidar_stopOpened);
  }

  /**
   * A copy of the table with the age of its newest point, both taken at the same moment. Returns
   * at once. Allocates a new {@link ScanData} each time; {@link #getData(ScanData)} fills one the
   * caller keeps.
   *
   * @return 360 angles, 360 distances and their age; null once closed
   */
  public ScanData getData() {
    return getData(new ScanData());
  }

  /**
   * Fills the caller's {@link ScanData} with a copy of the table and the age of its newest point,
   * both taken at the same moment. Its arrays are reused when they hold 360 elements (others are
   * replaced, once, by arrays of 360), so a robot loop that keeps one {@code ScanData} and passes
   * it every time reads the LiDAR without allocating. Returns at once.
   *
   * @param into the object to fill
   * @return {@code into}, filled; null once closed (then {@code into} is left as it was)
   */
  public ScanData getData(ScanData into) {
    long handle = guard.readingHandle();
    if (handle == 0) {
      return null;
    }
    if (into.angle == null || into.angle.length != SLOTS) {
      into.angle = new float[SLOTS];
    }
    if (into.distance == null || into.distance.length != SLOTS) {
      into.distance = new float[SLOTS];
    }
    long ageMs = LidarJNI.c_Lidar_readDataOpened(handle, into.angle, into.distance);
    if (ageMs == Long.MIN_VALUE || !guard.stillOpen(handle)) {
      return null;
    }
    into.ageMs = ageMs;
    return into;
  }

  /**
   * Whether the LiDAR is heard from: a point was filed within the last 500 ms (its head turns
   * about seven times a second) and its port has not failed. False before the first point, after
   * 500 ms without one, after the port failed (the LiDAR unplugged), once stopped and once closed.
   * Returns at once.
   *
   * <p>A LiDAR comes back by itself: when its port fails, the port is closed and opened again
   * every 500 ms until the LiDAR is plugged in again (two wakeups a second meanwhile), and {@link
   * #start()} opens it at once. Each change of health while scanning is reported once to the driver
   * station's log ("Lidar[port]: ...").
   *
   * @return true while its points keep coming
   */
  public boolean isConnected() {
    long h = guard.readingHandle();
    boolean connected = h != 0 && LidarJNI.c_Lidar_isConnectedOpened(h);
    return connected && guard.stillOpen(h);
  }

  /**
   * Milliseconds since the newest point was filed, as {@link ScanData#ageMs}. Returns at once.
   *
   * @return the age, or -1 before any point since the LiDAR was opened, and once closed
   */
  public long getDataAgeMs() {
    long h = guard.readingHandle();
    long age = h == 0 ? -1 : LidarJNI.c_Lidar_getDataAgeMsOpened(h);
    return guard.stillOpen(h) ? age : -1;
  }

  /**
   * The LiDAR's health in one record: {@link #isConnected()}, {@link #getDataAgeMs()}, and the
   * failed reads and port openings since it was opened. Returns at once.
   *
   * @return the record, or null once closed
   */
  public DeviceFaults getFaults() {
    return guard.call(LidarJNI::c_Lidar_getFaultsOpened, null);
  }

  /**
   * Switches a filter on or off; every other filter is switched off. Returns at once.
   *
   * @param filter the filter
   * @param enable true to switch it on
   */
  public void enableFilter(Filter filter, boolean enable) {
    guard.call(h -> LidarJNI.c_Lidar_enableFilterOpened(h, filter.id, enable));
  }

  /** Switches every filter off. Returns at once. */
  public void disableFilters() {
    enableFilter(Filter.CLUSTER, false);
  }

  /**
   * Sets the cluster filter's parameters. Returns at once.
   *
   * @param distanceThreshold mm within which cluster members lie of their seed (50 until set)
   * @param minClusterSize readings a cluster needs (5 until set)
   */
  public void clusterConfig(float distanceThreshold, int minClusterSize) {
    guard.call(h -> LidarJNI.c_Lidar_clusterConfigOpened(h, distanceThreshold, minClusterSize));
  }

  /**
   * Sets the Kalman filter's parameters and resets every degree's estimate, which starts again at
   * that degree's next valid reading; ignored when a value is not finite or p + r is 0. Returns at
   * once.
   *
   * @param q process noise (1e-5 until set)
   * @param r measurement noise (0.1 until set)
   * @param p estimate error (1.0 until set)
   */
  public void kalmanConfig(float q, float r, float p) {
    guard.call(h -> LidarJNI.c_Lidar_kalmanConfigOpened(h, q, r, p));
  }

  /**
   * Sets the moving average's window. Returns at once.
   *
   * @param window the newest 1 to 10 readings of a degree are averaged (5 until set)
   */
  public void movingAverageConfig(int window) {
    guard.call(h -> LidarJNI.c_Lidar_movingAverageConfigOpened(h, window));
  }

  /**
   * Sets the median filter's window. Returns at once.
   *
   * @param window the median of the newest 1 to 10 readings of a degree (5 until set)
   */
  public void medianConfig(int window) {
    guard.call(h -> LidarJNI.c_Lidar_medianConfigOpened(h, window));
  }

  /**
   * Sets the jitter filter's threshold. Returns at once.
   *
   * @param threshold jumps larger than this many mm are held back for one reading (50 until set)
   */
  public void jitterConfig(float threshold) {
    guard.call(h -> LidarJNI.c_Lidar_jitterConfigOpened(h, threshold));
  }

  /**
   * Stops scanning and closes the port, once this object's calls in progress have finished. Safe to
   * call again. A LiDAR replaced by a newer one is closed already: closing it leaves the newer one
   * scanning.
   */
  @Override
  public void close() {
    guard.close(LidarJNI::c_Lidar_close);
  }
}
