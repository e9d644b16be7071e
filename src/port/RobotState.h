#pragma once

// What the robot's controller says about the robot as a whole.
//
// Threading: any thread.

namespace korvane::port {

// True while the robot's outputs are enabled: the driver station (or a simulation's) enabled
// the robot and the controller lets its outputs drive.
bool outputsEnabled();

// True in a simulation (WPILib's desktop simulation, the stand-in); false on a real robot.
bool isSimulation();

}  // namespace korvane::port
