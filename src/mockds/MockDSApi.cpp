// korvane::MockDS, the mock driver station of the C++ API: its own instance, found by its handle
// while it is the live one (mockds/MockDSInstances.h).

#include "common/OpenDevice.h"
#include "korvane/MockDS.h"
#include "mockds/MockDSInstances.h"

namespace korvane {

namespace {

int64_t openInstance() {
  // A refusal on a real robot is reported by open itself.
  return orOnThrow(int64_t{0}, [] { return mockds::open(); });
}

}  // namespace

MockDS::MockDS() : handle_(&MockDS::Destroy, openInstance()) {}

void MockDS::Destroy(int64_t handle) noexcept {
  orOnThrow([&] { mockds::close(handle); });
}

void MockDS::Enable() {
  mockds::setEnabled(handle_.Get(), true);
}

void MockDS::Disable() {
  mockds::setEnabled(handle_.Get(), false);
}

bool MockDS::IsOpen() const {
  return orOnThrow(false, [&] { return static_cast<bool>(mockds::live().find(handle_.Get())); });
}

}  // namespace korvane
