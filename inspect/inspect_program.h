// The inspector program: options, the inspection printed as text or JSON, and the capture.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace inspect {

// Writes `text` to the file at `path`; false when it cannot.
using FileWriter = std::function<bool(const std::string& path, const std::string& text)>;

inline constexpr int kInspectionRan = 0;
inline constexpr int kCaptureNotWritten = 1;
inline constexpr int kBadOption = 2;

// args: the options after the program's name: --json, --capture FILE. Prints the inspection
// on the console's 8-bit stream. Returns 0 when the inspection ran (whatever it found), 2 for
// a bad option, 1 when the capture could not be written.
int RunInspector(std::string_view programName, const std::vector<std::string>& args,
                 platform::Platform& platform, const FileWriter& writeFile);

}  // namespace inspect
