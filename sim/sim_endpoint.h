// What stands behind an opened device path: a driver that answers device control calls.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/device_io.h"

namespace sim {

class SimEndpoint {
public:
    virtual ~SimEndpoint() = default;
    // DeviceIoControl: the same buffer is input (its first inputLength bytes) and output.
    virtual platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                            std::uint32_t inputLength) = 0;
};

}  // namespace sim

namespace sim {

// A device path that opens but serves no driver interface beyond the device number (a RAID
// volume, a disk behind a RAID controller, a storage port of another driver).
class PlainEndpoint : public SimEndpoint {
public:
    explicit PlainEndpoint(std::optional<std::uint32_t> deviceNumber = std::nullopt)
        : m_deviceNumber(deviceNumber) {}
    platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

private:
    std::optional<std::uint32_t> m_deviceNumber;
};

}  // namespace sim
