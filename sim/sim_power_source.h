// The simulated power source: what a scenario's "power" says, else a desktop without a battery
// (AC online, no system battery, charge unknown: what Wine reports too).
#pragma once

#include "platform/power_source.h"

namespace sim {

class SimPowerSource final : public platform::PowerSource {
public:
    void SetStatus(platform::PowerStatus status) { m_status = status; }
    std::optional<platform::PowerStatus> SystemPowerStatus() override { return m_status; }

private:
    platform::PowerStatus m_status;
};

}  // namespace sim
