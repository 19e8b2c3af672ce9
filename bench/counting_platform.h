// A platform in front of the simulated one that keeps the simulator's memory out of the heap
// count: each call runs with the count paused, and what it returns is copied while counting, as
// the tool's own copy. Handles and device lists stay those of the simulated machine.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace bench {

class CountingSetup final : public platform::DeviceInstallServices {
public:
    explicit CountingSetup(platform::DeviceInstallServices& inner) : m_inner(inner) {}

    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass,
                                             win::Dword flags) override;
    std::optional<platform::DeviceInfo> EnumDeviceInfo(const platform::DeviceInfoList& list,
                                                       std::uint32_t index) override;
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(
        const platform::DeviceInfoList& list, const win::Guid& interfaceClass,
        std::uint32_t index) override;
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList& list,
        const platform::DeviceInterface& deviceInterface) override;
    std::optional<std::u16string> GetDeviceStringProperty(const platform::DeviceInfoList& list,
                                                          const platform::DeviceInfo& device,
                                                          const win::DevPropKey& key) override;
    std::optional<std::vector<std::u16string>> GetHardwareIds(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device) override;

protected:
    // Lists are made by the inner services and destroyed through them.
    void DestroyDeviceInfoList(std::uint64_t) override {}

private:
    platform::DeviceInstallServices& m_inner;
};

class CountingIo final : public platform::DeviceIo {
public:
    explicit CountingIo(platform::DeviceIo& inner) : m_inner(inner) {}

    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

protected:
    // Handles are opened by the inner device I/O and closed through it.
    void CloseDevice(std::uint64_t) override {}

private:
    platform::DeviceIo& m_inner;
};

class CountingConsole final : public platform::Console {
public:
    explicit CountingConsole(platform::Console& inner) : m_inner(inner) {}
    void WriteWideLine(std::u16string_view text) override;
    void WriteNarrow(std::string_view text) override;
    void PrintWide(std::u16string_view text) override;
    void Pause() override;

    // The longest wide line written (the report, in a run) and the counted heap alive then.
    std::size_t LongestWideLine() const { return m_longestWideLine; }
    std::uint64_t LiveAtLongestWideLine() const { return m_liveAtLongestWideLine; }

private:
    platform::Console& m_inner;
    std::size_t m_longestWideLine = 0;
    std::uint64_t m_liveAtLongestWideLine = 0;
};

class CountingClock final : public platform::Clock {
public:
    explicit CountingClock(platform::Clock& inner) : m_inner(inner) {}
    platform::LocalTime Now() override;

private:
    platform::Clock& m_inner;
};

// The four in front of a platform, as one platform.
class CountingPlatform {
public:
    explicit CountingPlatform(platform::Platform& inner)
        : m_setup(inner.setup), m_io(inner.io), m_console(inner.console), m_clock(inner.clock),
          m_platform{m_setup, m_io, m_console, m_clock} {}
    platform::Platform& Platform() { return m_platform; }
    const CountingConsole& Console() const { return m_console; }

private:
    CountingSetup m_setup;
    CountingIo m_io;
    CountingConsole m_console;
    CountingClock m_clock;
    platform::Platform m_platform;
};

}  // namespace bench
