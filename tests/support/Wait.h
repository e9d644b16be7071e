#pragma once

#include <chrono>
#include <functional>

namespace korvane::test {

// Polls the condition every few milliseconds until it holds or the deadline passes. Deadlines
// are generous: they only bound a test that would otherwise hang.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace korvane::test
