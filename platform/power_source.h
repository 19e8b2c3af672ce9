// The machine's power source, as GetSystemPowerStatus reports it.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The three fields of SYSTEM_POWER_STATUS the run reads; the defaults are what a desktop
// without a battery reports.
struct PowerStatus {
    std::uint8_t AcLineStatus = 1;          // 0 offline, 1 online, 255 unknown
    std::uint8_t BatteryFlag = 128;         // bit 7: no system battery; 255 unknown
    std::uint8_t BatteryLifePercent = 255;  // 0 to 100, 255 unknown
};

class PowerSource {
public:
    virtual ~PowerSource() = default;
    // Nothing when Windows cannot tell.
    virtual std::optional<PowerStatus> SystemPowerStatus() = 0;
};

}  // namespace platform
