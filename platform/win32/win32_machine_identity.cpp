#include "platform/win32/win32_machine_identity.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

std::u16string Win32MachineIdentity::HostName() {
    // The first call gives the size, with the terminating null, in size.
    DWORD size = 0;
    GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
    if (size == 0) {
        return u"";
    }
    std::vector<wchar_t> name(size);
    if (!GetComputerNameExW(ComputerNameDnsHostname, name.data(), &size)) {
        return u"";
    }
    return FromWide(std::wstring_view(name.data(), size));
}

int Win32MachineIdentity::UtcOffsetMinutes() {
    // Bias is UTC minus local time, in minutes; daylight time adds DaylightBias.
    TIME_ZONE_INFORMATION zone{};
    const DWORD which = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (which == TIME_ZONE_ID_DAYLIGHT) {
        bias += zone.DaylightBias;
    } else if (which == TIME_ZONE_ID_STANDARD) {
        bias += zone.StandardBias;
    }
    return static_cast<int>(-bias);
}

}  // namespace platform::win32
