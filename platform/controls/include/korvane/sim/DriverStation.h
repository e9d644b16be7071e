#pragma once

// Simulation controls of the simulated robot's driver-station link: a listener on UDP
// 127.0.0.1:1110 that sets the system-active state from the control packets it receives, as
// the robot's communication layer does. Off until started.
//
// While it runs, each packet's control byte (byte 3) decides: enabled bit 0x04 set makes the
// system active, clear makes it inactive. When packets stop coming for kDriverStationTimeout
// the robot is disabled, as when the driver station is lost.
//
// Threading: every function may be called from any thread at any time.

#include <chrono>
#include <cstdint>

namespace korvane::sim {

constexpr int kDriverStationPort = 1110;
constexpr std::chrono::milliseconds kDriverStationTimeout{500};

// Binds the socket and starts the listener thread. True when it runs (also when it already
// did); false, with a line on standard error, when the port cannot be bound.
bool startDriverStationListener();
// Stops and joins the listener and closes its socket; the system state is left as it is.
void stopDriverStationListener();
bool driverStationListenerRunning();

// Control packets received since the listener was last started.
uint64_t driverStationPacketsReceived();
// Control byte of the last packet received, or -1 before any.
int lastDriverStationControl();

}  // namespace korvane::sim
