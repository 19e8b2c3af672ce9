// The battery rule over GetSystemPowerStatus's answers: only a known charge below 25 % on a
// known battery with the AC line offline refuses the run.
#include <gtest/gtest.h>

#include "app/battery_rule.h"

namespace {

struct PowerCase {
    const char* name;
    std::optional<platform::PowerStatus> status;
    bool refused;
};

const PowerCase kCases[] = {
    {"on battery at 24 %", platform::PowerStatus{0, 2, 24}, true},
    {"on battery at 0 %, no flag bit", platform::PowerStatus{0, 0, 0}, true},
    {"on battery at 25 %", platform::PowerStatus{0, 2, 25}, false},
    {"charge unknown", platform::PowerStatus{0, 4, 255}, false},
    {"charge past 100", platform::PowerStatus{0, 4, 101}, false},
    {"battery flag unknown", platform::PowerStatus{0, 255, 5}, false},
    {"no system battery beside other bits", platform::PowerStatus{0, 128 | 4, 5}, false},
    {"AC online", platform::PowerStatus{1, 4, 5}, false},
    {"AC unknown", platform::PowerStatus{255, 4, 5}, false},
    {"GetSystemPowerStatus failed", std::nullopt, false},
};

TEST(BatteryRule, RefusesOnlyAKnownLowBatteryOffAc) {
    for (const PowerCase& c : kCases) {
        EXPECT_EQ(app::OnLowBattery(c.status), c.refused) << c.name;
    }
}

}  // namespace
