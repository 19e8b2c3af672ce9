#include "discovery/open_failure_line.h"

#include <string>

#include "platform/text.h"

namespace discovery {

namespace {

void PrintHandleFailure(platform::Console& console, std::string_view what, win::Dword error) {
    console.WriteNarrow("  [ERROR] Failed to get " + std::string(what) + " handle: 0x" +
                        platform::HexLower(error) + "\n\n");
}

}  // namespace

void PrintDiskHandleFailure(platform::Console& console, win::Dword error) {
    PrintHandleFailure(console, "disk", error);
}

void PrintControllerHandleFailure(platform::Console& console, win::Dword error) {
    PrintHandleFailure(console, "controller", error);
}

}  // namespace discovery
