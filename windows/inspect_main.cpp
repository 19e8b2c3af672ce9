// The inspector's Windows entry point: the DLL search restricted, the Win32 platform, one
// read-only inspection of this machine (and, asked for, its capture, a recording of the answers it
// received). wmain takes the arguments as UTF-16, so a capture path may hold any character.
#include <windows.h>

#include <string>
#include <vector>

#include "fleet/forecast_program.h"
#include "inspect/inspect_program.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_device_install.h"
#include "platform/win32/win32_device_io.h"
#include "platform/win32/win32_machine_identity.h"
#include "platform/win32/win32_new_file.h"
#include "platform/win32/win32_run_guards.h"

int wmain(int argc, wchar_t** argv) {
    // As the updater: no DLL planted beside the exe is ever loaded.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    platform::win32::Win32Console console;
    platform::win32::Win32DeviceInstallServices setup;
    platform::win32::Win32DeviceIo io;
    platform::win32::Win32Clock clock;
    platform::win32::Win32RunGuards guards;
    platform::win32::Win32NewFiles files;
    platform::win32::Win32MachineIdentity identity;
    platform::Platform platform{setup, io, console, clock, guards};
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(platform::win32::FromWide(argv[i]));
    }
    // The forecast reads files only: it is dispatched before any device is reached.
    if (fleet::AsksForForecast(args)) {
        return fleet::RunForecast(args, console, files);
    }
    return inspect::RunInspector("VELKORAFWInspectTRVX208K", args, platform, files, identity);
}
