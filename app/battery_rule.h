// The battery rule: no firmware is sent from a laptop on battery below 25 %.
#pragma once

#include "platform/power_source.h"

namespace app {

inline constexpr int kLowestBatteryPercent = 25;

// True only when Windows says the machine is off AC, has a battery and knows its charge, and
// that charge is below 25 %; an unknown or missing answer lets the run go on.
bool OnLowBattery(const std::optional<platform::PowerStatus>& status);

}  // namespace app
