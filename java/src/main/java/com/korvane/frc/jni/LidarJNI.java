package com.korvane.frc.jni;

import com.korvane.frc.Lidar;

/**
 * Native operations of the scanning LiDAR on one of the controller's serial ports. There is at
 * most one LiDAR, held by the library: the operations without a handle act on it. Failures print a
 * line on standard error; nothing throws. All operations may be called from any thread.
 *
 * <p>The operations that take a handle act through one opening of the LiDAR: {@link #c_Lidar_open}
 * opens it as {@link #c_Lidar_create} does and names the opening by a handle never given before.
 * An opening holds the LiDAR until a newer one (from either language) replaces it or it is closed;
 * from then on its operations act on nothing and give their failure values, and closing it leaves
 * the newer one alone. Each operation holds its opening while it runs, so a replacing open or a
 * close waits for it.
 *
 * <p>Every create resets the filter parameters: cluster 50 mm and 5, Kalman q 1e-5, r 0.1, p 1.0,
 * windows of 5, jitter threshold 50 mm. The Kalman, window and jitter parameters belong to the
 * current LiDAR and are ignored before the first create.
 */
public final class LidarJNI {
  static {
    KorvaneDriverLibrary.load();
  }

  private LidarJNI() {}

  /**
   * Opens a HAL serial port and starts a new reader thread on it (which sets 115200 baud, 8N1),
   * replacing any LiDAR made before, whose port is closed first; switches every filter off and
   * resets the cluster parameters. Blocks up to about 1 s while a replaced LiDAR's reader stops.
   * When the port cannot be opened it prints {@code Error initializing serial port: <status>};
   * a previous LiDAR then keeps its reader, its filter settings and its state and reads its own
   * port again (one that was stopped stays stopped, so {@link #c_Lidar_start} reopens it), and
   * without one nothing scans until {@link #c_Lidar_start} opens the port.
   *
   * @param port HAL serial port 0 to 3 (0 on board, 1 expansion port, 2 and 3 USB)
   */
  public static native void c_Lidar_create(int port);

  /** Does nothing: the LiDAR lives until a later create or the library's unload. */
  public static native void c_Lidar_destroy();

  /**
   * Opens and configures the port after a stop, or after a create whose port could not be opened
   * (then the reader starts); the reader resumes. Prints "Lidar sensor is already scanning" when
   * it is; a port that cannot be opened is reported by a line and the LiDAR stays stopped, so a
   * later start tries again.
   */
  public static native void c_Lidar_start();

  /** Stops scanning and closes the port; the table keeps its last points. Returns at once. */
  public static native void c_Lidar_stop();

  /**
   * A copy of the 360-slot table, one slot per whole degree. Returns at once, never waiting for
   * the device.
   *
   * @return 360 angles in degrees and 360 distances in millimetres (-1.0 for none; before any
   *     create slot k holds angle k and -1.0); null when the result cannot be made
   */
  public static native Lidar.ScanData c_Lidar_getData();

  /**
   * How long ago the newest point was filed into the table. A LiDAR that is unplugged, stopped or
   * silent files nothing, so its age keeps growing while {@link #c_Lidar_getData} still returns
   * its last points. Returns at once.
   *
   * @return milliseconds since the newest point, or -1 when no point has been filed since the
   *     LiDAR was created (or none was created)
   */
  public static native long c_Lidar_getDataAgeMs();

  /**
   * One copy of the table into the caller's arrays, and the age of that copy's newest point: the
   * same values as {@link #c_Lidar_getData} and {@link #c_Lidar_getDataAgeMs}, taken together, so
   * the age always belongs to the points filled in. Looks nothing up by name and allocates
   * nothing. Returns at once.
   *
   * @param angle at least 360 elements; elements 0 to 359 receive the angles in degrees
   * @param distance at least 360 elements; elements 0 to 359 receive the distances in millimetres
   *     (-1.0 for none)
   * @return milliseconds since the newest point, or -1 when no point has been filed; {@link
   *     Long#MIN_VALUE}, with nothing filled, when an array is null or shorter than 360
   */
  public static native long c_Lidar_readData(float[] angle, float[] distance);

  /**
   * Switches one filter on (every other off) or off (leaving all off). Returns at once.
   *
   * @param filter 0 cluster, 1 Kalman, 2 moving average, 3 median, 4 jitter; others change
   *     nothing
   * @param enable true to switch it on
   */
  public static native void c_Lidar_enableFilter(int filter, boolean enable);

  /**
   * Sets the cluster filter's parameters. Returns at once.
   *
   * @param distanceThreshold millimetres within which a cluster's members lie of its seed
   * @param minClusterSize readings a cluster needs
   */
  public static native void c_Lidar_clusterConfig(float distanceThreshold, int minClusterSize);

  /**
   * Sets the Kalman filter's parameters and resets every degree's estimate, which starts again at
   * that degree's next valid reading;
   * ignored when a value is not finite or p + r is 0. Returns at once.
   *
   * @param q process noise
   * @param r measurement noise
   * @param p estimate error
   */
  public static native void c_Lidar_kalmanConfig(float q, float r, float p);

  /**
   * Sets the moving average's window. Returns at once.
   *
   * @param window the newest readings of a degree that are averaged, clamped to 1..10 when used
   */
  public static native void c_Lidar_movingAverageConfig(int window);

  /**
   * Sets the median filter's window. Returns at once.
   *
   * @param window the newest readings of a degree whose median is taken, clamped to 1..10 when
   *     used
   */
  public static native void c_Lidar_medianConfig(int window);

  /**
   * Sets the jitter filter's threshold. Returns at once.
   *
   * @param threshold millimetres; a larger jump is held back for one reading
   */
  public static native void c_Lidar_jitterConfig(float threshold);

  /**
   * Whether the LiDAR is heard from: a point was filed within the last 500 ms (the head turns
   * about seven times a second) and its port has not failed. Never waits.
   *
   * @return false before the first point, after 500 ms without one, after a hang-up and once
   *     stopped
   */
  public static native boolean c_Lidar_isConnected();

  /**
   * The LiDAR's health: heard from or not, the age of its newest point, and its failed reads and
   * port openings since the last create. Never waits.
   *
   * @return the record, or null when the VM is out of memory
   */
  public static native com.korvane.frc.DeviceFaults c_Lidar_getFaults();

  // Through an opening.

  /**
   * Opens the LiDAR as {@link #c_Lidar_create} does, as a new opening that replaces the one
   * before, once that one's operations in progress have returned.
   *
   * @param port HAL serial port 0 to 3
   * @return the opening's handle, never reused; 0 when the opening could not be made
   */
  public static native long c_Lidar_open(int port);

  /**
   * While the opening is the newest: stops scanning and closes the port, as {@link #c_Lidar_stop}
   * and {@link #c_Lidar_destroy} do, once its operations in progress have returned. Nothing for an
   * opening that was replaced or closed already.
   *
   * @param handle the opening
   */
  public static native void c_Lidar_close(long handle);

  /**
   * {@link #c_Lidar_start} while the opening is the newest.
   *
   * @param handle the opening
   */
  public static native void c_Lidar_startOpened(long handle);

  /**
   * {@link #c_Lidar_stop} while the opening is the newest.
   *
   * @param handle the opening
   */
  public static native void c_Lidar_stopOpened(long handle);

  /**
   * {@link #c_Lidar_readData} while the opening is the newest.
   *
   * @param handle the opening
   * @param angle at least 360 elements
   * @param distance at least 360 elements
   * @return as {@link #c_Lidar_readData}; {@link Long#MIN_VALUE}, with nothing filled, also for an
   *     opening that is not the newest
   */
  public static native long c_Lidar_readDataOpened(long handle, float[] angle, float[] distance);

  /**
   * {@link #c_Lidar_isConnected} while the opening is the newest.
   *
   * @param handle the opening
   * @return false also for an opening that is not the newest
   */
  public static native boolean c_Lidar_isConnectedOpened(long handle);

  /**
   * {@link #c_Lidar_getDataAgeMs} while the opening is the newest.
   *
   * @param handle the opening
   * @return -1 also for an opening that is not the newest
   */
  public static native long c_Lidar_getDataAgeMsOpened(long handle);

  /**
   * {@link #c_Lidar_getFaults} while the opening is the newest.
   *
   * @param handle the opening
   * @return null also for an opening that is not the newest
   */
  public static native com.korvane.frc.DeviceFaults c_Lidar_getFaultsOpened(long handle);

  /**
   * {@link #c_Lidar_enableFilter} while the opening is the newest.
   *
   * @param handle the opening
   * @param filter 0 cluster, 1 Kalman, 2 moving average, 3 median, 4 jitter
   * @param enable true to switch it on
   */
  public static native void c_Lidar_enableFilterOpened(long handle, int filter, boolean enable);

  /**
   * {@link #c_Lidar_clusterConfig} while the opening is the newest.
   *
   * @param handle the opening
   * @param distanceThreshold millimetres
   * @param minClusterSize readings
   */
  public static native void c_Lidar_clusterConfigOpened(
      long handle, float distanceThreshold, int minClusterSize);

  /**
   * {@link #c_Lidar_kalmanConfig} while the opening is the newest.
   *
   * @param handle the opening
   * @param q process noise
   * @param r measurement noise
   * @param p estimate error
   */
  public static native void c_Lidar_kalmanConfigOpened(long handle, float q, float r, float p);

  /**
   * {@link #c_Lidar_movingAverageConfig} while the opening is the newest.
   *
   * @param handle the opening
   * @param window readings
   */
  public static native void c_Lidar_movingAverageConfigOpened(long handle, int window);

  /**
   * {@link #c_Lidar_medianConfig} while the opening is the newest.
   *
   * @param handle the opening
   * @param window readings
   */
  public static native void c_Lidar_medianConfigOpened(long handle, int window);

  /**
   * {@link #c_Lidar_jitterConfig} while the opening is the newest.
   *
   * @param handle the opening
   * @param threshold millimetres
   */
  public static native void c_Lidar_jitterConfigOpened(long handle, float threshold);
}
