// The answer of IOCTL_STORAGE_GET_DEVICE_NUMBER: STORAGE_DEVICE_NUMBER (DeviceType,
// DeviceNumber, PartitionNumber), of which discovery reads the device number.
#pragma once

#include <cstddef>

namespace discovery::device_number {

inline constexpr std::size_t kDeviceNumberOffset = 4;
inline constexpr std::size_t kStorageDeviceNumberSize = 12;
static_assert(kDeviceNumberOffset + 4 <= kStorageDeviceNumberSize);

}  // namespace discovery::device_number
