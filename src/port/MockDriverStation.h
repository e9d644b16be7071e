#pragma once

// Whether the mock driver station may run here: its packets are the roboRIO's driver-station
// control packets, sent to UDP 127.0.0.1:1110.
//
// Threading: any thread.

namespace korvane::port {

// Null where the packets do what the mock driver station is for (a simulation that takes them);
// otherwise why not, as one sentence without a final full stop.
const char* mockDriverStationRefusal();

}  // namespace korvane::port
