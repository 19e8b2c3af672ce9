// What the updater reaches besides the platform it shares with the inspector: the power source
// it will not flash on when nearly empty, and the Application log its run leaves a record in.
// The inspector is given none of it.
#pragma once

#include "platform/event_log.h"
#include "platform/power_source.h"

namespace platform {

struct UpdaterServices {
    PowerSource& power;
    EventLog& eventLog;
};

}  // namespace platform
