// The power source behind platform::PowerSource: GetSystemPowerStatus.
#pragma once

#include "platform/power_source.h"

namespace platform::win32 {

class Win32PowerSource : public platform::PowerSource {
public:
    std::optional<PowerStatus> SystemPowerStatus() override;
};

}  // namespace platform::win32
