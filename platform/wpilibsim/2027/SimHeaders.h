#pragma once

// WPILib 2027's simulation headers, which the hooks shared by both generations use.

#include "wpi/hal/Value.h"
#include "wpi/hal/simulation/I2CData.h"
