#pragma once

// The health record every device class reports (korvane/DeviceFaults.h), by the name the driver
// classes use.

#include "korvane/DeviceFaults.h"

using DeviceFaults = korvane::DeviceFaults;
