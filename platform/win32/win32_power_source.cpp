#include "platform/win32/win32_power_source.h"

#include <windows.h>

namespace platform::win32 {

std::optional<PowerStatus> Win32PowerSource::SystemPowerStatus() {
    SYSTEM_POWER_STATUS status{};
    if (!GetSystemPowerStatus(&status)) {
        return std::nullopt;
    }
    return PowerStatus{status.ACLineStatus, status.BatteryFlag, status.BatteryLifePercent};
}

}  // namespace platform::win32
