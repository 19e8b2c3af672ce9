// IOCTL_STORAGE_QUERY_PROPERTY request for the NVMe Identify Controller data: a
// STORAGE_PROPERTY_QUERY whose AdditionalParameters hold a STORAGE_PROTOCOL_SPECIFIC_DATA,
// followed by room for the 4096 bytes the driver returns. The driver answers over the same
// buffer with a STORAGE_PROTOCOL_DATA_DESCRIPTOR, which puts the data at the same offset.
#pragma once

#include <cstddef>
#include <cstdint>

#include "discovery/identify_controller_data.h"

namespace inbox::query {

// STORAGE_PROPERTY_QUERY.
inline constexpr std::size_t kPropertyIdOffset = 0;
inline constexpr std::size_t kQueryTypeOffset = 4;
inline constexpr std::size_t kAdditionalParametersOffset = 8;

// STORAGE_PROTOCOL_SPECIFIC_DATA, relative to AdditionalParameters.
inline constexpr std::size_t kProtocolTypeOffset = kAdditionalParametersOffset + 0;
inline constexpr std::size_t kDataTypeOffset = kAdditionalParametersOffset + 4;
inline constexpr std::size_t kRequestValueOffset = kAdditionalParametersOffset + 8;
inline constexpr std::size_t kRequestSubValueOffset = kAdditionalParametersOffset + 12;
inline constexpr std::size_t kProtocolDataOffsetOffset = kAdditionalParametersOffset + 16;
inline constexpr std::size_t kProtocolDataLengthOffset = kAdditionalParametersOffset + 20;
inline constexpr std::size_t kProtocolSpecificDataSize = 40;

inline constexpr std::size_t kIdentifyDataOffset =
    kAdditionalParametersOffset + kProtocolSpecificDataSize;
inline constexpr std::size_t kIdentifyDataSize = 4096;
inline constexpr std::size_t kBufferSize = kIdentifyDataOffset + kIdentifyDataSize;

static_assert(kIdentifyDataOffset == 48);
static_assert(kBufferSize == 0x1030);
static_assert(kProtocolDataLengthOffset + 4 <= kIdentifyDataOffset);

inline constexpr std::uint32_t kStorageAdapterProtocolSpecificProperty = 49;
inline constexpr std::uint32_t kPropertyStandardQuery = 0;
inline constexpr std::uint32_t kProtocolTypeNvme = 3;
inline constexpr std::uint32_t kNvmeDataTypeIdentify = 1;
inline constexpr std::uint32_t kIdentifyCnsController = 1;

}  // namespace inbox::query

namespace inbox {
// The Identify Controller fields, as both access paths read them.
namespace identify = discovery::identify;
}  // namespace inbox
