// The inspector's Windows entry point: the DLL search restricted, the Win32 platform, one
// read-only inspection of this machine (and, asked for, its capture, a recording of the answers it
// received).
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "inspect/inspect_program.h"
#include "platform/platform.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_device_install.h"
#include "platform/win32/win32_device_io.h"
#include "platform/win32/win32_run_guards.h"

int main(int argc, char** argv) {
    // As the updater: no DLL planted beside the exe is ever loaded.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    platform::win32::Win32Console console;
    platform::win32::Win32DeviceInstallServices setup;
    platform::win32::Win32DeviceIo io;
    platform::win32::Win32Clock clock;
    platform::win32::Win32RunGuards guards;
    platform::Platform platform{setup, io, console, clock, guards};
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto writeFile = [](const std::string& path, const std::string& text) {
        std::ofstream file(path, std::ios::binary);
        file << text;
        return static_cast<bool>(file.flush());
    };
    return inspect::RunInspector("VELKORAFWInspectTRVX208K", args, platform, writeFile);
}
