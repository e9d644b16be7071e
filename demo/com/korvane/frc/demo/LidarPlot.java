package com.korvane.frc.demo;

import com.korvane.frc.Lidar;
import com.korvane.frc.LidarMini;
import com.korvane.frc.SerialPort;
import com.korvane.frc.sim.SimSerial;
import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import javax.imageio.ImageIO;

/**
 * A polar plot of a LiDAR scan (or a mini-LiDAR revolution) as a PNG, drawn with the JDK's own imaging: the LiDAR at the
 * centre, angle 0 to the right and growing anticlockwise, a ring every metre, one dot per slot
 * that holds a distance (invalid slots are left out).
 *
 * <p>As a command it reads a LiDAR itself and plots its scan: {@code LidarPlot <device path>
 * <out.png> [seconds]} maps HAL port USB1 to the device (for example the path a running
 * lidar_room_emulator printed, or a real serial adapter), opens the LiDAR there, waits until a
 * revolution has filled the table (at most the given seconds, default 3) and writes the plot.
 */
public final class LidarPlot {
  private static final int SIZE = 640;
  private static final int MARGIN = 30;

  private LidarPlot() {}

  /** Writes the plot of the scan to the file; the number of points drawn. */
  public static int write(Lidar.ScanData scan, File file) throws IOException {
    return write(scan.angle, scan.distance, "LiDAR scan", "slots", file);
  }

  /** Writes the plot of a mini-LiDAR revolution (metres) to the file; the number drawn. */
  public static int write(LidarMini.ScanData scan, File file) throws IOException {
    float[] millimetres = new float[scan.size()];
    for (int i = 0; i < millimetres.length; i++) {
      millimetres[i] = scan.distance[i] < 0 ? -1.0f : scan.distance[i] * 1000.0f;
    }
    float[] angles = scan.size() == 0 ? new float[0] : scan.angle;
    return write(angles, millimetres, "Mini LiDAR revolution", "points", file);
  }

  // Angles in degrees, distances in millimetres; a negative distance is left out.
  private static int write(float[] angle, float[] distance, String title, String unit, File file)
      throws IOException {
    System.setProperty("java.awt.headless", "true");
    BufferedImage image = new BufferedImage(SIZE, SIZE, BufferedImage.TYPE_INT_RGB);
    Graphics2D g = image.createGraphics();
    g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
    g.setColor(Color.WHITE);
    g.fillRect(0, 0, SIZE, SIZE);

    float farthest = 1000;
    for (float d : distance) {
      farthest = Math.max(farthest, d);
    }
    int metres = (int) Math.ceil(farthest / 1000.0);
    double scale = (SIZE / 2.0 - MARGIN) / (metres * 1000.0); // pixels per mm
    int centre = SIZE / 2;

    g.setColor(new Color(220, 220, 220));
    g.drawLine(MARGIN, centre, SIZE - MARGIN, centre);
    g.drawLine(centre, MARGIN, centre, SIZE - MARGIN);
    g.setFont(new Font(Font.SANS_SERIF, Font.PLAIN, 11));
    for (int m = 1; m <= metres; m++) {
      int r = (int) Math.round(m * 1000 * scale);
      g.drawOval(centre - r, centre - r, 2 * r, 2 * r);
      g.drawString(m + " m", centre + r + 2, centre - 2);
    }

    int drawn = 0;
    g.setColor(new Color(200, 30, 30));
    g.setStroke(new BasicStroke(1));
    for (int k = 0; k < distance.length; k++) {
      if (distance[k] < 0) {
        continue;
      }
      double a = Math.toRadians(angle[k]);
      int x = (int) Math.round(centre + Math.cos(a) * distance[k] * scale);
      int y = (int) Math.round(centre - Math.sin(a) * distance[k] * scale);
      g.fillOval(x - 2, y - 2, 5, 5);
      drawn++;
    }
    g.setColor(Color.BLUE);
    g.fillOval(centre - 4, centre - 4, 9, 9);
    g.setColor(Color.DARK_GRAY);
    g.drawString(title + ": " + drawn + " of " + distance.length + " " + unit, MARGIN, 18);
    g.dispose();
    if (!ImageIO.write(image, "png", file)) {
      throw new IOException("no PNG writer in this JDK");
    }
    return drawn;
  }

  public static void main(String[] args) throws IOException, InterruptedException {
    if (args.length < 2) {
      System.err.println("Usage: LidarPlot <device path> <out.png> [seconds]");
      System.exit(2);
    }
    double seconds = args.length > 2 ? Double.parseDouble(args[2]) : 3.0;
    if (!SimSerial.mapPort(SerialPort.USB1.value(), args[0])) {
      System.err.println("LidarPlot: cannot map the serial port to " + args[0]);
      System.exit(1);
    }
    try (Lidar lidar = new Lidar(SerialPort.USB1)) {
      long deadline = System.nanoTime() + (long) (seconds * 1e9);
      Lidar.ScanData scan = lidar.getData();
      while (System.nanoTime() < deadline && scan.validCount() < Lidar.SLOTS) {
        Thread.sleep(50);
        scan = lidar.getData();
      }
      int drawn = write(scan, new File(args[1]));
      System.out.println(
          "LiDAR scan of " + args[0] + " (" + drawn + " points) written to " + args[1]);
    }
    System.exit(0);
  }
}
