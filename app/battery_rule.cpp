#include "app/battery_rule.h"

namespace app {

namespace {

constexpr std::uint8_t kAcOffline = 0;
constexpr std::uint8_t kBatteryFlagUnknown = 255;
constexpr std::uint8_t kNoSystemBattery = 128;
constexpr std::uint8_t kHighestPercent = 100;  // 255 is unknown

}  // namespace

bool OnLowBattery(const std::optional<platform::PowerStatus>& status) {
    return status && status->AcLineStatus == kAcOffline &&
           status->BatteryFlag != kBatteryFlagUnknown &&
           (status->BatteryFlag & kNoSystemBattery) == 0 &&
           status->BatteryLifePercent <= kHighestPercent &&
           status->BatteryLifePercent < kLowestBatteryPercent;
}

}  // namespace app
