// The cheapest drivers the simulator has, for measuring the tool's own cost: they accept every
// request without copying or keeping its data, so whatever time a run spends is the tool's.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/device_io.h"
#include "sim/sim_endpoint.h"

namespace sim {

// Accepts every device control call. A miniport request gets ReturnCode success; a "FIRMWARE"
// get-info request gets one writable slot (slot 1), so an update goes on to its downloads.
class NullDriveEndpoint final : public SimEndpoint {
public:
    platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

    std::uint64_t Calls() const { return m_calls; }

private:
    std::uint64_t m_calls = 0;
};

// Device I/O with no device tree and no accounting: every path opens, every handle leads to
// the one endpoint.
class NullDeviceIo final : public platform::DeviceIo {
public:
    explicit NullDeviceIo(std::shared_ptr<SimEndpoint> endpoint)
        : m_endpoint(std::move(endpoint)) {}

    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

    std::uint64_t OpenHandles() const { return m_open; }

protected:
    void CloseDevice(std::uint64_t id) override;

private:
    std::shared_ptr<SimEndpoint> m_endpoint;
    std::uint64_t m_nextId = 0x100;
    std::uint64_t m_open = 0;
};

// A real driver whose firmware downloads and activations are accepted without reaching the
// drive: identification and the slot query still go through the driver and its drive, but no
// image byte is copied or kept. Serves both the "FIRMWARE" and the "IntelFw " interfaces.
class DownloadSinkEndpoint final : public SimEndpoint {
public:
    explicit DownloadSinkEndpoint(std::shared_ptr<SimEndpoint> driver)
        : m_driver(std::move(driver)) {}

    platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

private:
    std::shared_ptr<SimEndpoint> m_driver;
};

}  // namespace sim
