#pragma once

// Decimal numbers as devices write them, with a decimal point whatever locale the robot program
// runs in (strtof itself follows the process's locale).

namespace korvane {

// The number at the start of text, as strtof reads it in the C locale; 0 when there is none.
float parseCFloat(const char* text);

}  // namespace korvane
