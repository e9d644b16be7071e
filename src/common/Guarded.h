#pragma once

// The two ways the library keeps an exception from going further than it should:
// - guarded: the guards the drivers keep around a HAL call that may raise or a thread that may
//   not start. The body runs; a standard exception it throws is handed to onThrow, which says so
//   in the driver's words and gives the call's failure result.
// - orOnThrow: the last line before robot code (the C++ API and the JNI exports), where nothing
//   may pass at all: anything thrown becomes the call's failure value.

#include <exception>
#include <utility>

namespace korvane {

template <class Body, class OnThrow>
auto guarded(Body&& body, OnThrow&& onThrow) -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (const std::exception& e) {
    return std::forward<OnThrow>(onThrow)(e);
  }
}

template <class Result, class Body>
Result orOnThrow(Result failure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return failure;
  }
}

template <class Body>
void orOnThrow(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}

}  // namespace korvane
