// Checks at run time what cannot be checked at compile time: the GUIDs and DEVPROPKEYs that
// the portable code spells against the SDK's definitions, and that SetupAPI lists no device
// of the disk or storage-port interface class on a fresh Wine machine through the Win32 layer.
#include <windows.h>

#include <setupapi.h>
#include <winioctl.h>

// Right before devpkey.h only, so that the DEVPROPKEYs are defined here.
#include <initguid.h>

#include <devpkey.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/win32_device_install.h"
#include "platform/windows_values.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok" : "MISMATCH", what);
    if (!ok) {
        ++failures;
    }
}

bool Same(const win::Guid& ours, const GUID& sdk) {
    return std::memcmp(&ours, &sdk, sizeof sdk) == 0;
}

bool Same(const win::DevPropKey& ours, const DEVPROPKEY& sdk) {
    return Same(ours.fmtid, sdk.fmtid) && ours.pid == sdk.pid;
}

}  // namespace

int main() {
    Check(Same(win::kGuidDevinterfaceDisk, GUID_DEVINTERFACE_DISK), "GUID_DEVINTERFACE_DISK");
    Check(Same(win::kGuidDevinterfaceStoragePort, GUID_DEVINTERFACE_STORAGEPORT),
          "GUID_DEVINTERFACE_STORAGEPORT");
    Check(Same(win::kDevpkeyDeviceParent, DEVPKEY_Device_Parent), "DEVPKEY_Device_Parent");
    Check(Same(win::kDevpkeyDeviceInstanceId, DEVPKEY_Device_InstanceId),
          "DEVPKEY_Device_InstanceId");
    Check(Same(win::kDevpkeyDeviceDriverDesc, DEVPKEY_Device_DriverDesc),
          "DEVPKEY_Device_DriverDesc");
    Check(Same(win::kDevpkeyDeviceLocationInfo, DEVPKEY_Device_LocationInfo),
          "DEVPKEY_Device_LocationInfo");

    platform::win32::Win32DeviceInstallServices setup;
    for (const win::Guid* guid :
         {&win::kGuidDevinterfaceDisk, &win::kGuidDevinterfaceStoragePort}) {
        platform::DeviceInfoList list =
            setup.GetClassDevices(guid, win::kDigcfPresent | win::kDigcfDeviceInterface);
        Check(list.Valid(), "device list made");
        Check(!setup.EnumDeviceInfo(list, 0), "no device listed on a fresh machine");
        Check(!setup.EnumDeviceInterfaces(list, *guid, 0).has_value(), "no interface listed");
    }
    platform::DeviceInfoList all =
        setup.GetClassDevices(nullptr, win::kDigcfPresent | win::kDigcfAllClasses);
    Check(all.Valid(), "list of every present device made");
    std::printf("%s\n", failures == 0 ? "ALL OK" : "FAILED");
    return failures == 0 ? 0 : 1;
}
