// The cheapest platform for one access path's update: a console that drops its text, a fixed clock,
// no device tree, and device I/O that leads every handle to the simulator's null driver.
#pragma once

#include <memory>

#include "model/run_events.h"
#include "platform/platform.h"
#include "sim/null_drive_endpoint.h"
#include "sim/sim_run_guards.h"

namespace bench {

class NullConsole final : public platform::Console {
public:
    void WriteWideLine(std::u16string_view) override {}
    void WriteNarrow(std::string_view) override {}
    void PrintWide(std::u16string_view) override {}
    void Pause() override {}
    bool InSessionZero() override { return false; }
};

class FixedClock final : public platform::Clock {
public:
    platform::LocalTime Now() override { return {2026, 12, 7, 23, 0, 0}; }
};

class NoDevices final : public platform::DeviceInstallServices {
public:
    platform::DeviceInfoList GetClassDevices(const win::Guid*, win::Dword) override { return {}; }
    platform::DeviceAtIndex EnumDeviceInfo(const platform::DeviceInfoList&,
                                           std::uint32_t) override {
        return {};
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
    std::optional<platform::DeviceProperty> GetDeviceStringProperty(
        const platform::DeviceInfoList&, const platform::DeviceInfo&,
        const win::DevPropKey&) override {
        return std::nullopt;
    }
    std::optional<platform::HardwareIdList> GetHardwareIds(const platform::DeviceInfoList&,
                                                           const platform::DeviceInfo&) override {
        return std::nullopt;
    }

protected:
    void DestroyDeviceInfoList(std::uint64_t) override {}
};

struct NullPlatform {
    std::shared_ptr<sim::NullDriveEndpoint> endpoint = std::make_shared<sim::NullDriveEndpoint>();
    NoDevices setup;
    sim::NullDeviceIo io{endpoint};
    NullConsole console;
    FixedClock clock;
    sim::SimRunGuards guards;
    platform::Platform platform{setup, io, console, clock, guards};
    model::NoRunEvents events;
};

}  // namespace bench
