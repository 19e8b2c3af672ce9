// The Windows entry point: the DLL search restricted, the start-up check, the Win32 platform,
// one run of the tool.
#include <windows.h>

#include "app/run_tool.h"
#include "platform/platform.h"
#include "platform/updater_services.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_device_install.h"
#include "platform/win32/win32_device_io.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_power_source.h"
#include "platform/win32/win32_run_guards.h"

int main(int argc, char** /*argv*/) {
    // Run from a Downloads folder or a USB stick with administrator rights, the exe must not
    // load a DLL planted beside it: every later load (the system's own delay loads included)
    // searches System32 only.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    platform::win32::Win32Console console;
    // There is no application framework to start, so only the module handle is checked.
    if (GetModuleHandleW(nullptr) == nullptr) {
        console.PrintWide(u"Fatal Error: GetModuleHandle failed\n");
    }
    platform::win32::Win32DeviceInstallServices setup;
    platform::win32::Win32DeviceIo io;
    platform::win32::Win32Clock clock;
    platform::win32::Win32RunGuards guards;
    platform::Platform platform{setup, io, console, clock, guards};
    platform::win32::Win32PowerSource power;
    platform::win32::Win32EventLog eventLog;
    platform::UpdaterServices services{power, eventLog};
    return app::RunTool(argc, platform, services);
}
