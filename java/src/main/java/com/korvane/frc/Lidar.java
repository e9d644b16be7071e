package com.korvane.frc;

import com.korvane.frc.jni.LidarJNI;

/**
 * The scanning LiDAR on one of the robot controller's serial ports. A thread in the driver reads
 * its scan packets and files every point into a table of 360 slots, one per whole degree;
 * {@link #getData()} returns a copy of that table at once, never waiting for the device.
 *
 * <p>There is at most one LiDAR: opening another replaces the first (settings made before are
 * lost). One of five filters can smooth each degree's distances over its last ten readings.
 *
 * <p>Thread-safe: every method may be called from any thread. Failures (a port that cannot be
 * opened) print a line on standard error and leave the previous LiDAR, if any, reading.
 */
public final class Lidar implements AutoCloseable {
  /** HAL serial port numbers. */
  public static final int PORT_ONBOARD = 0;

  public static final int PORT_MXP = 1;
  public static final int PORT_USB1 = 2;
  public static final int PORT_USB2 = 3;

  /** Number of slots, one per whole degree. */
  public static final int SLOTS = 360;

  /** The filters; at most one is on at a time. */
  public enum Filter {
    /** The mean of the first cluster of close readings, or the newest reading. */
    CLUSTER(0),
    /** A Kalman estimate shared by every degree. */
    KALMAN(1),
    /** The mean of the newest readings (window 5 until set). */
    MOVING_AVERAGE(2),
    /** The median of the newest readings (window 5 until set). */
    MEDIAN(3),
    /** Holds back, for one reading, a jump larger than the threshold. */
    JITTER(4);

    /** The number the driver knows the filter by. */
    public final int id;

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
    public float[] angle;
    public float[] distance;

    public ScanData() {}

    /** True when slot k holds a distance. */
    public boolean isValid(int k) {
      return distance[k] >= 0;
    }

    /** The number of slots that hold a distance. */
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

  private Lidar() {}

  /**
   * Opens the LiDAR on a HAL serial port and starts reading it, replacing (and stopping) any
   * LiDAR opened before. Filters start switched off.
   *
   * @param port {@link #PORT_ONBOARD}, {@link #PORT_MXP}, {@link #PORT_USB1} or {@link
   *     #PORT_USB2}
   */
  public static Lidar open(int port) {
    LidarJNI.c_Lidar_create(port);
    return new Lidar();
  }

  /** Reopens the port after {@link #stop()}; prints a line when already scanning. */
  public void start() {
    LidarJNI.c_Lidar_start();
  }

  /** Stops scanning and closes the port; the table keeps its last points. */
  public void stop() {
    LidarJNI.c_Lidar_stop();
  }

  /** A copy of the table: 360 angles and 360 distances; null only when the VM is out of memory. */
  public ScanData getData() {
    return LidarJNI.c_Lidar_getData();
  }

  /** Switches the filter on or off; every other filter is switched off. */
  public void enableFilter(Filter filter, boolean enable) {
    LidarJNI.c_Lidar_enableFilter(filter.id, enable);
  }

  /** Switches every filter off. */
  public void disableFilters() {
    LidarJNI.c_Lidar_enableFilter(Filter.CLUSTER.id, false);
  }

  /** Cluster members lie within distanceThreshold mm of their seed (50); minClusterSize (5). */
  public void clusterConfig(float distanceThreshold, int minClusterSize) {
    LidarJNI.c_Lidar_clusterConfig(distanceThreshold, minClusterSize);
  }

  /**
   * Process noise q (1e-5), measurement noise r (0.1), estimate error p (1.0); resets the
   * estimate to 0. Ignored when a value is not finite or p + r is 0.
   */
  public void kalmanConfig(float q, float r, float p) {
    LidarJNI.c_Lidar_kalmanConfig(q, r, p);
  }

  /** The newest 1..10 readings of a degree are averaged (5). */
  public void movingAverageConfig(int window) {
    LidarJNI.c_Lidar_movingAverageConfig(window);
  }

  /** The median of the newest 1..10 readings of a degree (5). */
  public void medianConfig(int window) {
    LidarJNI.c_Lidar_medianConfig(window);
  }

  /** Jumps larger than this many mm are held back for one reading (50). */
  public void jitterConfig(float threshold) {
    LidarJNI.c_Lidar_jitterConfig(threshold);
  }

  /** Stops scanning and closes the port. */
  @Override
  public void close() {
    LidarJNI.c_Lidar_stop();
    LidarJNI.c_Lidar_destroy();
  }
}
