#pragma once

// A device's change of health, told to the driver station: the one place where the library calls
// the HAL's driver-station error reporting, whose reports teams see in the driver station's log
// during a match (and, printed, on the robot's console beside the library's own lines).
//
// Threading: any thread; the HAL takes reports from several threads at once.

#include <string>

namespace korvane {

enum class Severity { Error, Warning };

// Codes of the reports, told with each (they are no error code of the HAL's).
namespace report_code {
constexpr int kNeverHeard = 1301;    // opened, and nothing heard within its timeout
constexpr int kSilent = 1302;        // heard before, nothing since for its timeout
constexpr int kHungUp = 1303;        // its port hung up: unplugged, or the adapter failed
constexpr int kHeardAgain = 1304;    // data again after one of the three above
constexpr int kSendsFailing = 1305;  // a send failed after none or after working ones
constexpr int kSendsWorking = 1306;  // a send worked after failing ones
constexpr int kOpenFailing = 1307;   // its port could not be opened (again)
constexpr int kRefused = 1308;       // an object that must not run here was not started
}  // namespace report_code

// location names the device as "<Class>[<id>]" (its CAN ID, port or path); details say what
// changed in one sentence.
void reportToDriverStation(Severity severity, int code, const std::string& location,
                           const std::string& details) noexcept;

}  // namespace korvane
