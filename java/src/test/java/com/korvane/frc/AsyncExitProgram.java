package com.korvane.frc;

import java.util.concurrent.CompletableFuture;

/**
 * Run by {@link AsyncCallsTest} in a JVM of its own: leaves a controller open with an identity
 * call in flight (about 1.1 s against no controller) and returns from main. The library's threads
 * are daemons, so the JVM exits at once; the exit hook reports whether the call had finished.
 */
final class AsyncExitProgram {
  private AsyncExitProgram() {}

  public static void main(String[] args) {
    @SuppressWarnings("resource") // left open on purpose: the JVM's exit must not wait for it
    Torqa torqa = new Torqa(30, 1000);
    CompletableFuture<String> hardware = torqa.getHardwareVersionAsync();
    Runtime.getRuntime()
        .addShutdownHook(
            new Thread(() -> System.out.println("call finished at exit: " + hardware.isDone())));
    System.out.println("main returned");
  }
}
