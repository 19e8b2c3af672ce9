// What stands behind an opened device path: a driver that answers device control calls.
#pragma once

#include <cstdint>
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
