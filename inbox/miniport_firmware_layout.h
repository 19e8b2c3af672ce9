// Where the inbox access path puts the structures of platform/miniport_layout.h in its
// IOCTL_SCSI_MINIPORT request: SRB_IO_CONTROL, then FIRMWARE_REQUEST_BLOCK, then the function's
// data area directly behind it. The layout is packed as the driver reads it: the 64-bit fields of
// STORAGE_FIRMWARE_DOWNLOAD sit on 4-byte boundaries because the data area starts at 52.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/miniport_layout.h"

namespace inbox::miniport {

inline constexpr std::size_t kRequestBlockOffset = platform::miniport::kSrbIoControlSize;
inline constexpr std::size_t kDataAreaOffset =
    kRequestBlockOffset + platform::miniport::kFirmwareRequestBlockSize;
// What a download request needs besides the image bytes it carries.
inline constexpr std::size_t kRequestOverheadSize =
    kDataAreaOffset + platform::miniport::kDownloadImageBufferOffset;
static_assert(kDataAreaOffset == 52 && kRequestOverheadSize == 76);

// SRB_IO_CONTROL of the miniport firmware interface.
inline constexpr std::string_view kSrbSignatureValue = "FIRMWARE";
static_assert(kSrbSignatureValue.size() == platform::miniport::kSrbSignatureSize);
inline constexpr std::uint32_t kSrbTimeoutValue = 30;

}  // namespace inbox::miniport
