#pragma once

// The library's error codes and their console texts, shared by the motor controller (its status
// and identity reads) and the line sensor (its connection check).
//
// Threading: may be called from any thread; the texts are constants.

namespace korvane {

// The constant text of an error code; "Unknown error found" for codes not in the table.
const char* errorText(int code);

}  // namespace korvane
