#include "discovery/device_properties.h"

namespace discovery {

namespace {

// The property's text is kept as the system returns it: device identifiers are ASCII, for which
// the trip through the multibyte code page and back is the identity.
bool ReadInto(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
              const platform::DeviceInfo& device, const win::DevPropKey& key,
              std::u16string& text) {
    std::optional<std::u16string> value = ReadStringProperty(setup, list, device, key);
    if (!value) {
        return false;
    }
    text = std::move(*value);
    return true;
}

}  // namespace

std::optional<std::u16string> ReadStringProperty(platform::DeviceInstallServices& setup,
                                                 const platform::DeviceInfoList& list,
                                                 const platform::DeviceInfo& device,
                                                 const win::DevPropKey& key) {
    std::optional<platform::DeviceProperty> value =
        setup.GetDeviceStringProperty(list, device, key);
    if (!value || value->Type != win::kDevpropTypeString) {
        return std::nullopt;
    }
    return std::move(value->Text);
}

std::optional<std::vector<std::u16string>> ReadHardwareIds(platform::DeviceInstallServices& setup,
                                                           const platform::DeviceInfoList& list,
                                                           const platform::DeviceInfo& device) {
    std::optional<platform::HardwareIdList> value = setup.GetHardwareIds(list, device);
    if (!value || (value->Type != win::kRegMultiSz && value->Type != win::kRegSz)) {
        return std::nullopt;
    }
    return std::move(value->Ids);
}

bool ReadParentId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                  const platform::DeviceInfo& device, std::u16string& text) {
    return ReadInto(setup, list, device, win::kDevpkeyDeviceParent, text);
}

bool ReadInstanceId(platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
                    const platform::DeviceInfo& device, std::u16string& text) {
    return ReadInto(setup, list, device, win::kDevpkeyDeviceInstanceId, text);
}

std::optional<platform::DeviceInterfaceDetail> InterfaceAtDeviceIndex(
    platform::DeviceInstallServices& setup, const platform::DeviceInfoList& list,
    const platform::DeviceInfo& device, const win::Guid& interfaceClass) {
    const std::optional<platform::DeviceInterface> deviceInterface =
        setup.EnumDeviceInterfaces(list, interfaceClass, device.Index);
    if (!deviceInterface) {
        return std::nullopt;
    }
    return setup.GetDeviceInterfaceDetail(list, *deviceInterface);
}

}  // namespace discovery
