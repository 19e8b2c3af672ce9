#include "discovery/device_properties.h"

#include <optional>

namespace discovery {

namespace {

// The property's text is kept as the system returns it: device identifiers are ASCII, for which
// the trip through the multibyte code page and back is the identity.
bool ReadStringProperty(platform::DeviceInstallServices& setup,
                        const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
                        const win::DevPropKey& key, std::u16string& text) {
    std::optional<std::u16string> value = setup.GetDeviceStringProperty(list, device, key);
    if (!value) {
        return false;
    }
    text = std::move(*value);
    return true;
}

}  // namespace

bool ReadParentId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                  const platform::DeviceInfo& device, std::u16string& text) {
    return ReadStringProperty(setup, list, device, win::kDevpkeyDeviceParent, text);
}

bool ReadInstanceId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                    const platform::DeviceInfo& device, std::u16string& text) {
    return ReadStringProperty(setup, list, device, win::kDevpkeyDeviceInstanceId, text);
}

}  // namespace discovery
