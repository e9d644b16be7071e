#pragma once

// Bus waits that cost no time on the fuzzing thread: the drivers poll the simulated CAN bus with
// short sleeps (2 ms between config polls, 12 ms between chunk-collection passes, 50 ms between
// identity requests); the fuzzer injects every frame before the call, so those sleeps only slow
// it. Threads other than the one that called skipSleepsOnThisThread() sleep normally.
void skipSleepsOnThisThread();
