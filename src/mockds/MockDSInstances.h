#pragma once

// The mock driver stations: the one live instance, owned by MockDSJNI::pImpl and filed in a
// one-per-process table under its serial handle, the handle of korvane::MockDS. MockDSJNI's statics
// act on whichever instance is live; korvane::MockDS acts on its own only.
//
// Threading: any thread; opens and closes take effect one at a time.

#include <cstdint>

#include "MockDSImpl.h"
#include "common/HandleTable.h"

namespace korvane::mockds {

using Table = HandleTable<MockDSJNI::Impl, Population::OnePerProcess, 2>;
Table& live();

// Starts a new instance that replaces the live one (which is stopped, joined and freed): its
// handle. 0 on a real robot (nothing starts there, and the live one stops; said on the log hook's
// stream and to the driver station) and when its thread cannot start (the live one keeps
// sending).
int64_t open();
// Stops, joins and frees the instance under the handle while it is the live one; nothing once it
// has been replaced.
void close(int64_t handle);
// Says enabled or disabled in the packets of the instance under the handle from its next cycle on,
// while it is the live one; nothing once it has been replaced or closed.
void setEnabled(int64_t handle, bool enabled) noexcept;

}  // namespace korvane::mockds
