package com.korvane.frc.demo;

/** One device of the demo robot: opened at start, asked for a status line, closed at the end. */
interface DemoPart extends AutoCloseable {
  /** Opens the device and its simulator; prints anything worth printing once. */
  void open();

  /** A short status line for the periodic report. */
  String status();

  @Override
  void close();
}
