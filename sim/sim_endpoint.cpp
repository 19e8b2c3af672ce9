#include "sim/sim_endpoint.h"

#include "platform/byte_layout.h"

namespace sim {

platform::ControlResult PlainEndpoint::Control(win::Dword controlCode,
                                               std::span<std::uint8_t> buffer,
                                               std::uint32_t inputLength) {
    (void)inputLength;
    // ERROR_INVALID_FUNCTION for anything this device does not serve.
    constexpr win::Dword kErrorInvalidFunction = 1;
    if (controlCode != win::kIoctlStorageGetDeviceNumber || !m_deviceNumber) {
        return {false, 0, kErrorInvalidFunction};
    }
    // STORAGE_DEVICE_NUMBER: FILE_DEVICE_DISK, the number, partition 0.
    if (buffer.size() < 12) {
        return {false, 0, win::kErrorInsufficientBuffer};
    }
    platform::PutU32(buffer, 0, 0x7);
    platform::PutU32(buffer, 4, *m_deviceNumber);
    platform::PutU32(buffer, 8, 0);
    return {true, 12, 0};
}

}  // namespace sim
