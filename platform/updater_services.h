// What the updater reaches besides the platform it shares with the inspector: the power source
// it will not flash on when nearly empty. The inspector is given none of it.
#pragma once

#include "platform/power_source.h"

namespace platform {

struct UpdaterServices {
    PowerSource& power;
};

}  // namespace platform
