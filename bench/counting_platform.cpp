#include "bench/counting_platform.h"

#include "bench/heap_counter.h"

namespace bench {

namespace {

// Runs the inner call with the count paused and returns the tool's own copy of its answer,
// made while counting; the simulator's original is freed with the count paused.
template <typename T, typename Call>
std::optional<T> CopiedOut(Call&& call) {
    std::optional<std::optional<T>> held;
    {
        HeapCountPause pause;
        held.emplace(call());
    }
    std::optional<T> copy = *held;
    HeapCountPause pause;
    held.reset();
    return copy;
}

}  // namespace

platform::DeviceInfoList CountingSetup::GetClassDevices(const win::Guid* interfaceClass,
                                                        win::Dword flags) {
    HeapCountPause pause;
    return m_inner.GetClassDevices(interfaceClass, flags);
}

std::optional<platform::DeviceInfo> CountingSetup::EnumDeviceInfo(
    const platform::DeviceInfoList& list, std::uint32_t index) {
    HeapCountPause pause;
    return m_inner.EnumDeviceInfo(list, index);
}

std::optional<platform::DeviceInterface> CountingSetup::EnumDeviceInterfaces(
    const platform::DeviceInfoList& list, const win::Guid& interfaceClass, std::uint32_t index) {
    HeapCountPause pause;
    return m_inner.EnumDeviceInterfaces(list, interfaceClass, index);
}

std::optional<platform::DeviceInterfaceDetail> CountingSetup::GetDeviceInterfaceDetail(
    const platform::DeviceInfoList& list, const platform::DeviceInterface& deviceInterface) {
    return CopiedOut<platform::DeviceInterfaceDetail>([&] { return m_inner.GetDeviceInterfaceDetail(list, deviceInterface); });
}

std::optional<std::u16string> CountingSetup::GetDeviceStringProperty(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
    const win::DevPropKey& key) {
    return CopiedOut<std::u16string>([&] { return m_inner.GetDeviceStringProperty(list, device, key); });
}

std::optional<std::vector<std::u16string>> CountingSetup::GetHardwareIds(
    const platform::DeviceInfoList& list, const platform::DeviceInfo& device) {
    return CopiedOut<std::vector<std::u16string>>([&] { return m_inner.GetHardwareIds(list, device); });
}

platform::OpenResult CountingIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                      win::Dword shareMode, win::Dword flagsAndAttributes) {
    HeapCountPause pause;
    return m_inner.Open(path, desiredAccess, shareMode, flagsAndAttributes);
}

platform::ControlResult CountingIo::Control(const platform::DeviceHandle& handle,
                                            win::Dword controlCode, std::span<std::uint8_t> buffer,
                                            std::uint32_t inputLength) {
    HeapCountPause pause;
    return m_inner.Control(handle, controlCode, buffer, inputLength);
}

void CountingConsole::WriteWideLine(std::u16string_view text) {
    if (text.size() > m_longestWideLine) {
        m_longestWideLine = text.size();
        m_liveAtLongestWideLine = CurrentHeapFigures().liveBytes;
    }
    HeapCountPause pause;
    m_inner.WriteWideLine(text);
}

void CountingConsole::WriteNarrow(std::string_view text) {
    HeapCountPause pause;
    m_inner.WriteNarrow(text);
}

void CountingConsole::PrintWide(std::u16string_view text) {
    HeapCountPause pause;
    m_inner.PrintWide(text);
}

void CountingConsole::Pause() {
    HeapCountPause pause;
    m_inner.Pause();
}

platform::LocalTime CountingClock::Now() {
    HeapCountPause pause;
    return m_inner.Now();
}

}  // namespace bench
