// The Windows structures of the IOCTL_SCSI_MINIPORT firmware requests (ntddscsi.h, ntddstor.h),
// declared once for both access paths: SRB_IO_CONTROL, FIRMWARE_REQUEST_BLOCK with its functions,
// flag and the FIRMWARE_STATUS values of ReturnCode, and the structures a request block points to.
// Each structure's offsets count from its own start; a access path says where it stands in its
// buffer.
//
// One naming scheme for every layout header of the tool: kXxxOffset is the byte offset of a
// field, kXxxSize the size in bytes of a field or a structure, kXxxValue the fixed value a field
// carries; a value Windows names keeps that name (kFirmwareFunctionDownload).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::miniport {

// SRB_IO_CONTROL.
inline constexpr std::size_t kSrbHeaderLengthOffset = 0;
inline constexpr std::size_t kSrbSignatureOffset = 4;
inline constexpr std::size_t kSrbSignatureSize = 8;
inline constexpr std::size_t kSrbTimeoutOffset = 12;  // seconds
inline constexpr std::size_t kSrbControlCodeOffset = 16;
inline constexpr std::size_t kSrbReturnCodeOffset = 20;  // set by the driver
inline constexpr std::size_t kSrbLengthOffset = 24;      // the bytes after the header
inline constexpr std::size_t kSrbIoControlSize = 28;
inline constexpr std::uint32_t kSrbHeaderLengthValue = kSrbIoControlSize;
static_assert(kSrbLengthOffset + 4 == kSrbIoControlSize);

// FIRMWARE_REQUEST_BLOCK.
inline constexpr std::size_t kFrbVersionOffset = 0;
inline constexpr std::size_t kFrbSizeOffset = 4;
inline constexpr std::size_t kFrbFunctionOffset = 8;
inline constexpr std::size_t kFrbFlagsOffset = 12;
inline constexpr std::size_t kFrbDataBufferOffsetOffset = 16;  // from the buffer's start
inline constexpr std::size_t kFrbDataBufferLengthOffset = 20;
inline constexpr std::size_t kFirmwareRequestBlockSize = 24;
inline constexpr std::uint32_t kFrbVersionValue = 1;  // FIRMWARE_REQUEST_BLOCK_STRUCTURE_VERSION
inline constexpr std::uint32_t kFrbSizeValue = kFirmwareRequestBlockSize;
static_assert(kFrbDataBufferLengthOffset + 4 == kFirmwareRequestBlockSize);

inline constexpr std::uint32_t kFirmwareFunctionGetInfo = 1;
inline constexpr std::uint32_t kFirmwareFunctionDownload = 2;
inline constexpr std::uint32_t kFirmwareFunctionActivate = 3;
inline constexpr std::uint32_t kFirmwareRequestFlagController = 0x1;

// FIRMWARE_STATUS values of SRB_IO_CONTROL.ReturnCode.
inline constexpr std::uint32_t kFirmwareStatusSuccess = 0x0;
inline constexpr std::uint32_t kFirmwareStatusError = 0x1;
inline constexpr std::uint32_t kFirmwareStatusIllegalRequest = 0x2;
inline constexpr std::uint32_t kFirmwareStatusInvalidParameter = 0x3;
inline constexpr std::uint32_t kFirmwareStatusInputBufferTooBig = 0x4;
inline constexpr std::uint32_t kFirmwareStatusInvalidSlot = 0x6;
inline constexpr std::uint32_t kFirmwareStatusInvalidImage = 0x7;
inline constexpr std::uint32_t kFirmwareStatusControllerError = 0x10;
inline constexpr std::uint32_t kFirmwareStatusPowerCycleRequired = 0x20;

// STORAGE_FIRMWARE_DOWNLOAD (version 1). Offset and BufferSize are 64-bit.
inline constexpr std::size_t kDownloadVersionOffset = 0;
inline constexpr std::size_t kDownloadSizeOffset = 4;
inline constexpr std::size_t kDownloadOffsetOffset = 8;
inline constexpr std::size_t kDownloadBufferSizeOffset = 16;
inline constexpr std::size_t kDownloadImageBufferOffset = 24;
inline constexpr std::uint32_t kDownloadVersionValue = 1;
// Size counts the structure up to the image.
inline constexpr std::uint32_t kDownloadSizeValue = kDownloadImageBufferOffset;

// STORAGE_FIRMWARE_DOWNLOAD_V2: the four fields of version 1 at the same offsets, then Slot,
// three reserved bytes, ImageSize and the image.
inline constexpr std::size_t kDownloadV2SlotOffset = 24;
inline constexpr std::size_t kDownloadV2ReservedOffset = 25;
inline constexpr std::size_t kDownloadV2ReservedSize = 3;
inline constexpr std::size_t kDownloadV2ImageSizeOffset = 28;
inline constexpr std::size_t kDownloadV2ImageBufferOffset = 32;
inline constexpr std::uint32_t kDownloadV2VersionValue = 2;
inline constexpr std::uint32_t kDownloadV2SizeValue = kDownloadV2ImageBufferOffset;
// Of the first 32 bytes only Reserved belongs to no field.
static_assert(kDownloadV2SlotOffset == kDownloadImageBufferOffset);
static_assert(kDownloadV2SlotOffset + 1 == kDownloadV2ReservedOffset);
static_assert(kDownloadV2ReservedOffset + kDownloadV2ReservedSize == kDownloadV2ImageSizeOffset);
static_assert(kDownloadV2ImageSizeOffset + 4 == kDownloadV2ImageBufferOffset);

// STORAGE_FIRMWARE_ACTIVATE.
inline constexpr std::size_t kActivateVersionOffset = 0;
inline constexpr std::size_t kActivateSizeOffset = 4;
inline constexpr std::size_t kActivateSlotOffset = 8;  // SlotToActivate
inline constexpr std::size_t kStorageFirmwareActivateSize = 12;
inline constexpr std::uint32_t kActivateVersionValue = 1;
inline constexpr std::uint32_t kActivateSizeValue = kStorageFirmwareActivateSize;

// STORAGE_FIRMWARE_INFO (version 1), the get-info answer, and its STORAGE_FIRMWARE_SLOT_INFO
// entries. A driver that leaves Version unwritten answers 0.
inline constexpr std::size_t kInfoVersionOffset = 0;
inline constexpr std::size_t kInfoUpgradeSupportOffset = 8;
inline constexpr std::size_t kInfoSlotCountOffset = 9;
inline constexpr std::size_t kInfoActiveSlotOffset = 10;
inline constexpr std::size_t kInfoPendingSlotOffset = 11;  // PendingActivateSlot
inline constexpr std::size_t kInfoSlotsOffset = 16;
inline constexpr std::uint32_t kInfoVersionUnsetValue = 0;
inline constexpr std::uint32_t kInfoVersionValue = 1;  // STORAGE_FIRMWARE_INFO_STRUCTURE_VERSION
inline constexpr std::uint8_t kInfoInvalidSlotValue = 0xFF;  // STORAGE_FIRMWARE_INFO_INVALID_SLOT
inline constexpr std::size_t kSlotNumberOffset = 0;
inline constexpr std::size_t kSlotReadOnlyOffset = 1;
inline constexpr std::size_t kSlotRevisionOffset = 8;
inline constexpr std::size_t kSlotRevisionSize = 8;
inline constexpr std::size_t kStorageFirmwareSlotInfoSize = 16;

}  // namespace platform::miniport
