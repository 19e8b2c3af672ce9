// IOCTL_SCSI_MINIPORT request of the storage miniport firmware interface: SRB_IO_CONTROL,
// then FIRMWARE_REQUEST_BLOCK, then the function's data area directly behind it. The layout is
// packed as the driver reads it: the 64-bit fields of STORAGE_FIRMWARE_DOWNLOAD sit on 4-byte
// boundaries because the data area starts at 52.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace inbox::miniport {

// SRB_IO_CONTROL.
inline constexpr std::size_t kHeaderLengthOffset = 0;
inline constexpr std::size_t kSignatureOffset = 4;
inline constexpr std::size_t kSignatureSize = 8;
inline constexpr std::size_t kTimeoutOffset = 12;
inline constexpr std::size_t kControlCodeOffset = 16;
inline constexpr std::size_t kReturnCodeOffset = 20;
inline constexpr std::size_t kLengthOffset = 24;
inline constexpr std::size_t kSrbIoControlSize = 28;

// FIRMWARE_REQUEST_BLOCK.
inline constexpr std::size_t kRequestBlockOffset = kSrbIoControlSize;
inline constexpr std::size_t kVersionOffset = kRequestBlockOffset + 0;
inline constexpr std::size_t kSizeOffset = kRequestBlockOffset + 4;
inline constexpr std::size_t kFunctionOffset = kRequestBlockOffset + 8;
inline constexpr std::size_t kFlagsOffset = kRequestBlockOffset + 12;
inline constexpr std::size_t kDataBufferOffsetOffset = kRequestBlockOffset + 16;
inline constexpr std::size_t kDataBufferLengthOffset = kRequestBlockOffset + 20;
inline constexpr std::size_t kRequestBlockSize = 24;
inline constexpr std::size_t kDataAreaOffset = kRequestBlockOffset + kRequestBlockSize;

static_assert(kDataBufferLengthOffset + 4 == kDataAreaOffset);
static_assert(kDataAreaOffset == 52);

// STORAGE_FIRMWARE_DOWNLOAD, relative to the data area.
inline constexpr std::size_t kDownloadVersionOffset = 0;
inline constexpr std::size_t kDownloadSizeOffset = 4;
inline constexpr std::size_t kDownloadOffsetOffset = 8;       // 64 bits
inline constexpr std::size_t kDownloadBufferSizeOffset = 16;  // 64 bits
inline constexpr std::size_t kDownloadImageBufferOffset = 24;
// What the request needs besides the image bytes it carries.
inline constexpr std::size_t kRequestOverhead = kDataAreaOffset + kDownloadImageBufferOffset;
static_assert(kRequestOverhead == 76);

// STORAGE_FIRMWARE_ACTIVATE, relative to the data area.
inline constexpr std::size_t kActivateVersionOffset = 0;
inline constexpr std::size_t kActivateSizeOffset = 4;
inline constexpr std::size_t kActivateSlotOffset = 8;
inline constexpr std::size_t kActivateStructSize = 12;

// STORAGE_FIRMWARE_INFO (version 1), relative to where the answer stands.
inline constexpr std::size_t kInfoVersionOffset = 0;
// The slot entries are read in the version-1 layout; a driver that leaves Version unwritten
// answers 0.
inline constexpr std::uint32_t kInfoVersionUnset = 0;
inline constexpr std::uint32_t kInfoVersion1 = 1;
inline constexpr std::size_t kInfoUpgradeSupportOffset = 8;
inline constexpr std::size_t kInfoSlotCountOffset = 9;
inline constexpr std::size_t kInfoActiveSlotOffset = 10;
inline constexpr std::size_t kInfoPendingSlotOffset = 11;
inline constexpr std::size_t kInfoSlotsOffset = 16;
inline constexpr std::size_t kSlotEntrySize = 16;  // STORAGE_FIRMWARE_SLOT_INFO
inline constexpr std::size_t kSlotNumberOffset = 0;
inline constexpr std::size_t kSlotReadOnlyOffset = 1;
inline constexpr std::size_t kSlotRevisionOffset = 8;
inline constexpr std::size_t kSlotRevisionSize = 8;

inline constexpr std::uint32_t kHeaderLength = kSrbIoControlSize;
inline constexpr std::string_view kSignature = "FIRMWARE";
static_assert(kSignature.size() == kSignatureSize);
inline constexpr std::uint32_t kTimeoutSeconds = 30;
inline constexpr std::uint32_t kRequestVersion = 1;
inline constexpr std::uint32_t kRequestBlockSizeValue = kRequestBlockSize;
inline constexpr std::uint32_t kFlagController = 0x1;  // FIRMWARE_REQUEST_FLAG_CONTROLLER

inline constexpr std::uint32_t kFunctionGetInfo = 1;
inline constexpr std::uint32_t kFunctionDownload = 2;
inline constexpr std::uint32_t kFunctionActivate = 3;

inline constexpr std::uint32_t kDownloadVersion = 1;
inline constexpr std::uint32_t kDownloadSizeValue = kDownloadImageBufferOffset;
inline constexpr std::uint32_t kActivateVersion = 1;
inline constexpr std::uint32_t kActivateSizeValue = kActivateStructSize;

// FIRMWARE_STATUS values of SRB_IO_CONTROL.ReturnCode.
inline constexpr std::uint32_t kStatusSuccess = 0;
inline constexpr std::uint32_t kStatusPowerCycleRequired = 0x20;

}  // namespace inbox::miniport
