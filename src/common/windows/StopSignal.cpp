#include "common/StopSignal.h"

#include <windows.h>

#include <system_error>

namespace korvane {

namespace {

HANDLE event(intptr_t native) {
  return reinterpret_cast<HANDLE>(native);
}

}  // namespace

// A manual-reset event: once set it stays set for every waiter until reset().
StopSignal::StopSignal()
    : native_(reinterpret_cast<intptr_t>(CreateEventW(nullptr, TRUE, FALSE, nullptr))) {
  if (native_ == 0) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "CreateEvent");
  }
}

StopSignal::~StopSignal() {
  CloseHandle(event(native_));
}

void StopSignal::request() {
  requested_.store(true);
  SetEvent(event(native_));
}

void StopSignal::reset() {
  ResetEvent(event(native_));
  requested_.store(false);
}

bool StopSignal::waitFor(int timeoutMs) const {
  if (requested()) return true;
  WaitForSingleObject(event(native_), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
  return requested();
}

}  // namespace korvane
