// The event a run leaves in the Application log: its ID and type name the outcome.
//
// | ID  | type        | outcome                                                  | exit code |
// |-----|-------------|----------------------------------------------------------|-----------|
// | 102 | warning     | firmware downloaded; a drive that the last restart did   | 1602      |
// |     |             | not activate needs a full shutdown                       |           |
// | 100 | information | firmware downloaded, reboot needed                       | 1602      |
// | 101 | information | every selected drive already current                     | 4000      |
// | 200 | error       | an update failed                                         | 1         |
// | 201 | error       | none failed, but a device seen is not accounted for      | 1         |
// | 202 | error       | no eligible drive                                        | 1         |
// | 203 | error       | an argument was given                                    | 1         |
// | 300 | warning     | another run is going, or the run lock's name is taken    | 1618      |
// | 301 | warning     | on battery below 25 %                                    | 1618      |
//
// When several apply, the first row that applies wins.
#pragma once

#include <cstdint>

#include "platform/event_log.h"

namespace app {

// ERROR_INSTALL_ALREADY_RUNNING: Intune and Configuration Manager retry a run that ends with it.
inline constexpr std::int32_t kRetryLater = 1618;

// How a run ended, as far as its event tells.
struct RunFacts {
    std::int32_t ExitCode = 1;
    bool ArgumentGiven = false;
    bool AnotherRunGoing = false;
    bool LowBattery = false;
    bool UpdateFailed = false;     // a selected drive's update did not succeed
    bool NotAccountedFor = false;  // DiskInventory::AllAccountedFor, false
    bool NoEligibleDrive = false;  // the report found no drive to select
    bool NeedsShutdown = false;    // a drive was told that the last restart did not activate it
};

struct RunEvent {
    std::uint16_t Id = 0;
    platform::EventType Type = platform::EventType::Error;
};

RunEvent EventOfRun(const RunFacts& facts);

}  // namespace app
