#pragma once

// How the C++ API's device classes (include/korvane) reach their objects, the same for every
// device: a call finds the object its handle names in its kind's table and holds it while it runs
// (a close waits for it); a handle that is not open (closed, moved from, never opened, replaced)
// finds nothing and the call gives its failure value, as does anything thrown on the way, so no
// exception reaches robot code.

#include <type_traits>
#include <utility>

#include "common/Guarded.h"

namespace korvane {

// found is what the kind's lookup gave (a table's Ref, or a Target): tested for an object first.
template <class Found, class Result, class Body>
Result onOpen(Found&& found, Result failure, Body&& body) noexcept {
  return orOnThrow(failure, [&]() -> Result {
    if (!found) return failure;
    return std::forward<Body>(body)(found);
  });
}

template <class Found, class Body>
void onOpen(Found&& found, Body&& body) noexcept {
  orOnThrow([&] {
    if (found) std::forward<Body>(body)(found);
  });
}

}  // namespace korvane
