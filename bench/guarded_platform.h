// A platform in front of the simulated one that runs every call inside a guard object, so the
// simulator's share of a run can be kept out of the tool's figures: a pause of the heap count
// (HeapCountPause) or a stopwatch of the time spent in platform calls (PlatformTimeGuard).
// Answers that carry heap (strings, lists) are copied outside the guard, as the tool's own copy.
// Handles and device lists stay those of the inner platform, which also closes them.
#pragma once

#include <cstdint>
#include <optional>

#include "bench/heap_counter.h"
#include "platform/platform.h"

namespace bench {

// Runs the inner call inside a guard and returns a copy of its answer made outside it; the
// original is destroyed inside a guard again.
template <typename Guard, typename T, typename Call>
std::optional<T> CopiedOut(Call&& call) {
    std::optional<std::optional<T>> held;
    {
        Guard guard;
        held.emplace(call());
    }
    std::optional<T> copy = *held;
    Guard guard;
    held.reset();
    return copy;
}

template <typename Guard>
class GuardedSetup final : public platform::DeviceInstallServices {
public:
    explicit GuardedSetup(platform::DeviceInstallServices& inner) : m_inner(inner) {}

    platform::DeviceInfoList GetClassDevices(const win::Guid* interfaceClass,
                                             win::Dword flags) override {
        Guard guard;
        return m_inner.GetClassDevices(interfaceClass, flags);
    }
    platform::DeviceAtIndex EnumDeviceInfo(const platform::DeviceInfoList& list,
                                           std::uint32_t index) override {
        Guard guard;
        return m_inner.EnumDeviceInfo(list, index);
    }
    std::optional<platform::DeviceInterface> EnumDeviceInterfaces(
        const platform::DeviceInfoList& list, const win::Guid& interfaceClass,
        std::uint32_t index) override {
        Guard guard;
        return m_inner.EnumDeviceInterfaces(list, interfaceClass, index);
    }
    std::optional<platform::DeviceInterfaceDetail> GetDeviceInterfaceDetail(
        const platform::DeviceInfoList& list,
        const platform::DeviceInterface& deviceInterface) override {
        return CopiedOut<Guard, platform::DeviceInterfaceDetail>(
            [&] { return m_inner.GetDeviceInterfaceDetail(list, deviceInterface); });
    }
    std::optional<platform::DeviceProperty> GetDeviceStringProperty(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
        const win::DevPropKey& key) override {
        return CopiedOut<Guard, platform::DeviceProperty>(
            [&] { return m_inner.GetDeviceStringProperty(list, device, key); });
    }
    std::optional<platform::HardwareIdList> GetHardwareIds(
        const platform::DeviceInfoList& list, const platform::DeviceInfo& device) override {
        return CopiedOut<Guard, platform::HardwareIdList>(
            [&] { return m_inner.GetHardwareIds(list, device); });
    }

protected:
    void DestroyDeviceInfoList(std::uint64_t) override {}

private:
    platform::DeviceInstallServices& m_inner;
};

template <typename Guard>
class GuardedIo final : public platform::DeviceIo {
public:
    explicit GuardedIo(platform::DeviceIo& inner) : m_inner(inner) {}

    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override {
        Guard guard;
        return m_inner.Open(path, desiredAccess, shareMode, flagsAndAttributes);
    }
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override {
        Guard guard;
        return m_inner.Control(handle, controlCode, buffer, inputLength);
    }

protected:
    void CloseDevice(std::uint64_t) override {}

private:
    platform::DeviceIo& m_inner;
};

template <typename Guard>
class GuardedConsole final : public platform::Console {
public:
    explicit GuardedConsole(platform::Console& inner) : m_inner(inner) {}

    void WriteWideLine(std::u16string_view text) override {
        if (text.size() > m_longestWideLine) {
            m_longestWideLine = text.size();
            m_liveAtLongestWideLine = CurrentHeapFigures().liveBytes;
        }
        Guard guard;
        m_inner.WriteWideLine(text);
    }
    void WriteNarrow(std::string_view text) override {
        Guard guard;
        m_inner.WriteNarrow(text);
    }
    void PrintWide(std::u16string_view text) override {
        Guard guard;
        m_inner.PrintWide(text);
    }
    void Pause() override {
        Guard guard;
        m_inner.Pause();
    }
    bool InSessionZero() override { return m_inner.InSessionZero(); }

    // The longest wide line written (the report, in a run) and the counted heap alive then.
    std::size_t LongestWideLine() const { return m_longestWideLine; }
    std::uint64_t LiveAtLongestWideLine() const { return m_liveAtLongestWideLine; }

private:
    platform::Console& m_inner;
    std::size_t m_longestWideLine = 0;
    std::uint64_t m_liveAtLongestWideLine = 0;
};

template <typename Guard>
class GuardedClock final : public platform::Clock {
public:
    explicit GuardedClock(platform::Clock& inner) : m_inner(inner) {}
    platform::LocalTime Now() override {
        Guard guard;
        return m_inner.Now();
    }

private:
    platform::Clock& m_inner;
};

// The four in front of a platform, as one platform (the run guards are the inner ones).
template <typename Guard>
class GuardedPlatform {
public:
    explicit GuardedPlatform(platform::Platform& inner)
        : m_setup(inner.setup),
          m_io(inner.io),
          m_console(inner.console),
          m_clock(inner.clock),
          m_platform{m_setup, m_io, m_console, m_clock, inner.guards} {}
    platform::Platform& Platform() { return m_platform; }
    const GuardedConsole<Guard>& Console() const { return m_console; }

private:
    GuardedSetup<Guard> m_setup;
    GuardedIo<Guard> m_io;
    GuardedConsole<Guard> m_console;
    GuardedClock<Guard> m_clock;
    platform::Platform m_platform;
};

// The simulator's memory out of the heap count.
using CountingPlatform = GuardedPlatform<HeapCountPause>;

}  // namespace bench
