// The inspector program: options, the inspection printed as text or JSON, and the capture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/machine_identity.h"
#include "platform/new_file.h"
#include "platform/platform.h"

namespace inspect {

inline constexpr int kInspectionRan = 0;
inline constexpr int kCaptureNotWritten = 1;
inline constexpr int kBadOption = 2;

// args: the options after the program's name: --json, --capture FILE. Prints the inspection
// on the console's 8-bit stream. The capture's file is created before anything is inspected,
// only where nothing exists under its name. Returns 0 when the inspection ran (whatever it
// found), 2 for a bad option, 1 when the capture could not be created or written. The JSON names
// the machine and the time by identity.
int RunInspector(std::string_view programName, const std::vector<std::u16string>& args,
                 platform::Platform& platform, platform::NewFiles& files,
                 platform::MachineIdentity& identity);

}  // namespace inspect
