#pragma once

// WPILib 2026's simulation headers, which the hooks shared by both generations use.

#include "hal/Value.h"
#include "hal/simulation/I2CData.h"
