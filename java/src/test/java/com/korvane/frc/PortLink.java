package com.korvane.frc;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * A serial port's path that goes with its device, as a USB adapter's does: a link to an emulator's
 * terminal, removed when the device is unplugged. A LiDAR keeps opening its port again; once a
 * hung-up terminal's number is free it may be another program's terminal, which the port must not
 * reach.
 */
final class PortLink implements AutoCloseable {
  private final Path directory;
  private final Path link;

  PortLink() {
    try {
      directory = Files.createTempDirectory("korvane-port-");
    } catch (IOException e) {
      throw new UncheckedIOException(e);
    }
    link = directory.resolve("tty");
  }

  /** Points the port at a terminal and returns the port's path. */
  String to(String terminal) {
    try {
      Files.deleteIfExists(link);
      Files.createSymbolicLink(link, Path.of(terminal));
    } catch (IOException e) {
      throw new UncheckedIOException(e);
    }
    return link.toString();
  }

  /** The device is unplugged: the port's path is gone. */
  void unplug() {
    try {
      Files.deleteIfExists(link);
    } catch (IOException e) {
      throw new UncheckedIOException(e);
    }
  }

  @Override
  public void close() {
    unplug();
    try {
      Files.deleteIfExists(directory);
    } catch (IOException e) {
      throw new UncheckedIOException(e);
    }
  }
}
