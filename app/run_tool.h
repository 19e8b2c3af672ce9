#pragma once

#include "platform/platform.h"

namespace app {

// One whole run: argument check, image, banner, discovery, updates, report, pause.
// argc counts the program name, as main() receives it. Returns the exit code.
int RunTool(int argc, platform::Platform& platform);

}  // namespace app
