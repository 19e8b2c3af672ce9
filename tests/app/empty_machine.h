// A machine with no devices at all, that counts every device access the tool attempts.
#pragma once

#include "platform/platform.h"
#include "sim/sim_clock.h"
#include "sim/sim_console.h"

namespace testing_support {

class NoDevices : public platform::DeviceInstallServices, public platform::DeviceIo {
public:
    int listRequests = 0;
    int opens = 0;

    platform::DeviceInfoList GetClassDevices(const win::Guid*, win::Dword) override {
        ++listRequests;
        return platform::DeviceInfoList(this, 1);
    }
    std::optional<platform::DeviceInfo> EnumDeviceInfo(const platform::DeviceInfoList&,
                                                       std::uint32_t) override {
        return std::nullopt;
    }
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(const platform::DeviceInfoList&,
                                                                  const win::Guid&,
                                                                  std::uint32_t) override {
        return std::nullopt;
    }
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList&, const platform::DeviceInterface&) override {
        return std::nullopt;
    }
    std::optional<std::u16string> GetDeviceStringProperty(const platform::DeviceInfoList&,
                                                          const platform::DeviceInfo&,
                                                          const win::DevPropKey&) override {
        return std::nullopt;
    }
    std::optional<std::vector<std::u16string>> GetHardwareIds(const platform::DeviceInfoList&,
                                                              const platform::DeviceInfo&) override {
        return std::nullopt;
    }
    platform::OpenResult Open(std::u16string_view, win::Dword, win::Dword, win::Dword) override {
        ++opens;
        return {platform::DeviceHandle(), win::kErrorFileNotFound};
    }
    platform::ControlResult Control(const platform::DeviceHandle&, win::Dword,
                                    std::span<std::uint8_t>, std::uint32_t) override {
        return {false, 0, win::kErrorInvalidHandle};
    }

protected:
    void DestroyDeviceInfoList(std::uint64_t) override {}
    void CloseDevice(std::uint64_t) override {}
};

struct EmptyMachine {
    NoDevices devices;
    sim::SimConsole console;
    sim::SimClock clock;
    platform::Platform platform{devices, devices, console, clock};
};

}  // namespace testing_support
