package com.korvane.frc.bench;

import com.korvane.frc.Torqa;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.stream.Stream;

/**
 * The library executor's threads ("korvane-async-N") with a silent device: their wakeups a second
 * while idle (voluntary context switches from /proc), how long an idle thread lives on, and how
 * soon the threads are gone after the last device closes.
 *
 * <p>Usage: java -Djava.library.path=build/default/lib -cp
 * build/default/jar/korvane.jar:build/default/jar/korvane-bench.jar
 * com.korvane.frc.bench.ExecutorThreads
 */
public final class ExecutorThreads {
  private ExecutorThreads() {}

  public static void main(String[] args) throws Exception {
    Torqa silent = new Torqa(30, 1000);
    try {
      silent.getSerialNumberAsync().get();
      List<Path> threads = libraryThreads();
      System.out.printf("library threads after one call: %d%n", threads.size());
      long before = switches(threads);
      long started = System.nanoTime();
      Thread.sleep(4000);
      double seconds = (System.nanoTime() - started) / 1e9;
      System.out.printf(
          "idle wakeups per second, all library threads: %.2f%n",
          (switches(threads) - before) / seconds);
      System.out.printf(
          "an idle thread ends after %.0f ms more%n", millisUntilGone(threads, started, 4000));

      silent.getSerialNumberAsync().get();
      threads = libraryThreads();
      long closing = System.nanoTime();
      silent.close();
      System.out.printf(
          "after the last device closes, the threads are gone in %.1f ms%n",
          millisUntilGone(threads, closing, 0));
    } finally {
      silent.close();
    }
  }

  private static double millisUntilGone(List<Path> threads, long since, double already)
      throws InterruptedException {
    while (threads.stream().anyMatch(Files::exists)) {
      Thread.sleep(1);
    }
    return (System.nanoTime() - since) / 1e6 - already;
  }

  private static List<Path> libraryThreads() throws IOException {
    List<Path> found = new ArrayList<>();
    try (Stream<Path> tasks = Files.list(Path.of("/proc/self/task"))) {
      for (Path task : (Iterable<Path>) tasks::iterator) {
        try {
          if (Files.readString(task.resolve("comm")).startsWith("korvane-async")) {
            found.add(task);
          }
        } catch (IOException gone) {
          // The thread ended while being listed.
        }
      }
    }
    return found;
  }

  private static long switches(List<Path> threads) {
    long total = 0;
    for (Path task : threads) {
      try {
        for (String line : Files.readAllLines(task.resolve("status"))) {
          if (line.startsWith("voluntary_ctxt_switches:")) {
            total += Long.parseLong(line.substring(line.indexOf(':') + 1).trim());
          }
        }
      } catch (IOException gone) {
        // Ended: it adds no more.
      }
    }
    return total;
  }
}
