package com.korvane.frc.jni;

import com.korvane.frc.Lidar;

/**
 * Native operations of the scanning LiDAR on one of the controller's serial ports. There is at
 * most one LiDAR, held by the library: the operations take no handle. Failures print a line on
 * standard error; nothing throws. All operations may be called from any thread.
 */
public final class LidarJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private LidarJNI() {}

  /** Opens HAL serial port 0..3 and starts reading it, replacing any LiDAR made before. */
  public static native void c_Lidar_create(int port);

  /** Does nothing: the LiDAR lives until a later create or the library's unload. */
  public static native void c_Lidar_destroy();

  /** Reopens the port after a stop; the reading resumes. */
  public static native void c_Lidar_start();

  /** Stops scanning and closes the port. */
  public static native void c_Lidar_stop();

  /** A copy of the 360-slot table. */
  public static native Lidar.ScanData c_Lidar_getData();

  /** 0 cluster, 1 Kalman, 2 moving average, 3 median, 4 jitter; the others are switched off. */
  public static native void c_Lidar_enableFilter(int filter, boolean enable);

  public static native void c_Lidar_clusterConfig(float distanceThreshold, int minClusterSize);

  public static native void c_Lidar_kalmanConfig(float q, float r, float p);

  public static native void c_Lidar_movingAverageConfig(int window);

  public static native void c_Lidar_medianConfig(int window);

  public static native void c_Lidar_jitterConfig(float threshold);
}
