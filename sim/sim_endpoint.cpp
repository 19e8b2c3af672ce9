#include "sim/sim_endpoint.h"

#include "platform/byte_layout.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

platform::ControlResult PlainEndpoint::Control(win::Dword controlCode,
                                               std::span<std::uint8_t> buffer,
                                               std::uint32_t inputLength) {
    (void)inputLength;
    using namespace layout;
    // ERROR_INVALID_FUNCTION for anything this device does not serve.
    if (controlCode != win::kIoctlStorageGetDeviceNumber || !m_deviceNumber) {
        return {false, 0, kErrorInvalidFunction};
    }
    // STORAGE_DEVICE_NUMBER: FILE_DEVICE_DISK, the number, partition 0.
    if (buffer.size() < kDeviceNumberStructureSize) {
        return {false, 0, win::kErrorInsufficientBuffer};
    }
    platform::PutU32(buffer, kDeviceNumberDeviceType, kFileDeviceDisk);
    platform::PutU32(buffer, kDeviceNumberDeviceNumber, *m_deviceNumber);
    platform::PutU32(buffer, kDeviceNumberPartitionNumber, 0);
    return {true, static_cast<std::uint32_t>(kDeviceNumberStructureSize), 0};
}

}  // namespace sim
