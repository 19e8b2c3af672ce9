// Everything the tool reaches the machine through; injected into the run.
#pragma once

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/device_install.h"
#include "platform/device_io.h"
#include "platform/run_guards.h"

namespace platform {

struct Platform {
    DeviceInstallServices& setup;
    DeviceIo& io;
    Console& console;
    Clock& clock;
    RunGuards& guards;
};

}  // namespace platform
