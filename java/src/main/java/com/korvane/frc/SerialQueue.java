package com.korvane.frc;

import java.util.ArrayDeque;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.RejectedExecutionException;
import java.util.function.Supplier;

/**
 * One device's queue of {@code ...Async} calls on the {@link LibraryExecutor}: calls run one at
 * a time, in the order they were made, never on the thread that made them. The queue holds the
 * executor from its creation until {@link #release()}.
 */
final class SerialQueue {
  private final ArrayDeque<Task<?>> tasks = new ArrayDeque<>();
  private ExecutorService executor = LibraryExecutor.acquire();
  private boolean draining;

  /**
   * Queues a call.
   *
   * @param call the blocking form of the call
   * @param closed the result when the library's executor is gone (every device closed)
   * @return completes with the call's result, or exceptionally with what it threw
   */
  <T> CompletableFuture<T> submit(Supplier<T> call, T closed) {
    Task<T> task = new Task<>(call, closed);
    ExecutorService target;
    synchronized (tasks) {
      tasks.add(task);
      if (draining) {
        return task.future;
      }
      draining = true;
      target = executor;
    }
    try {
      if (target == null) {
        throw new RejectedExecutionException("released");
      }
      target.execute(this::drain);
    } catch (RejectedExecutionException gone) {
      rejectAll();
    }
    return task.future;
  }

  /** Gives the executor back; later calls complete with their closed value. Idempotent. */
  void release() {
    ExecutorService held;
    synchronized (tasks) {
      held = executor;
      executor = null;
    }
    if (held != null) {
      LibraryExecutor.release(held);
    }
  }

  private void drain() {
    while (true) {
      Task<?> task;
      synchronized (tasks) {
        task = tasks.poll();
        if (task == null) {
          draining = false;
          return;
        }
      }
      task.run();
    }
  }

  private void rejectAll() {
    synchronized (tasks) {
      for (Task<?> task = tasks.poll(); task != null; task = tasks.poll()) {
        task.reject();
      }
      draining = false;
    }
  }

  private static final class Task<T> {
    final Supplier<T> call;
    final T closed;
    final CompletableFuture<T> future = new CompletableFuture<>();

    Task(Supplier<T> call, T closed) {
      this.call = call;
      this.closed = closed;
    }

    void run() {
      try {
        future.complete(call.get());
      } catch (RuntimeException | Error e) {
        future.completeExceptionally(e);
      }
    }

    void reject() {
      future.complete(closed);
    }
  }
}
