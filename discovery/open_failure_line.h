#pragma once

#include "platform/console.h"
#include "platform/windows_values.h"

namespace discovery {

// "  [ERROR] Failed to get disk handle: 0x<code>" and an empty line, on the 8-bit stream: what
// every road prints when CreateFileW refuses a disk (the system error code in lower-case hex).
void PrintDiskHandleFailure(platform::Console& console, win::Dword error);
// The same for the RST controller's storage-port device.
void PrintControllerHandleFailure(platform::Console& console, win::Dword error);

}  // namespace discovery
