// The published Windows structures the simulated drivers decode, declared once for all of them
// from the Windows SDK documentation (never from the tool's own headers). Offsets are named after
// the field, kXxxStructureSize is a structure's size and kXxxStructureVersion its Version.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim::layout {

// SRB_IO_CONTROL: the header of every IOCTL_SCSI_MINIPORT request (also CSMI's IOCTL_HEADER).
inline constexpr std::size_t kSrbHeaderLength = 0;
inline constexpr std::size_t kSrbSignature = 4;
inline constexpr std::size_t kSrbSignatureSize = 8;
inline constexpr std::size_t kSrbTimeout = 12;
inline constexpr std::size_t kSrbControlCode = 16;
inline constexpr std::size_t kSrbReturnCode = 20;
inline constexpr std::size_t kSrbLength = 24;
inline constexpr std::size_t kSrbSize = 28;

// FIRMWARE_REQUEST_BLOCK, offsets from its start.
inline constexpr std::size_t kFrbVersion = 0;
inline constexpr std::size_t kFrbSize = 4;
inline constexpr std::size_t kFrbFunction = 8;
inline constexpr std::size_t kFrbFlags = 12;
inline constexpr std::size_t kFrbDataBufferOffset = 16;
inline constexpr std::size_t kFrbDataBufferLength = 20;
inline constexpr std::uint32_t kFrbStructureSize = 24;
inline constexpr std::uint32_t kFrbStructureVersion = 1;
inline constexpr std::uint32_t kFirmwareFunctionGetInfo = 1;
inline constexpr std::uint32_t kFirmwareFunctionDownload = 2;
inline constexpr std::uint32_t kFirmwareFunctionActivate = 3;
inline constexpr std::uint32_t kFirmwareRequestFlagController = 0x1;
// The block stands right behind SRB_IO_CONTROL in the inbox driver's requests, and behind four
// address bytes (version, path, target, LUN) in the Intel firmware requests.
inline constexpr std::size_t kInboxFrb = kSrbSize;
inline constexpr std::size_t kIntelFrb = kSrbSize + 4;

// STORAGE_FIRMWARE_INFO (version 1) and its 16-byte STORAGE_FIRMWARE_SLOT_INFO entries; no
// slot is STORAGE_FIRMWARE_INFO_INVALID_SLOT.
inline constexpr std::size_t kInfoVersion = 0;
inline constexpr std::size_t kInfoSize = 4;
inline constexpr std::size_t kInfoUpgradeSupport = 8;
inline constexpr std::size_t kInfoSlotCount = 9;
inline constexpr std::size_t kInfoActiveSlot = 10;
inline constexpr std::size_t kInfoPendingSlot = 11;
inline constexpr std::size_t kInfoSlots = 16;
inline constexpr std::uint32_t kInfoStructureSize = 32;
inline constexpr std::uint32_t kInfoStructureVersion = 1;
inline constexpr std::uint8_t kInfoInvalidSlot = 0xFF;
inline constexpr std::size_t kSlotEntrySize = 16;
inline constexpr std::size_t kSlotNumber = 0;
inline constexpr std::size_t kSlotReadOnly = 1;
inline constexpr std::size_t kSlotRevision = 8;
// STORAGE_FIRMWARE_INFO_V2: ImagePayloadAlignment and ImagePayloadMaxSize at 16 and 20, then
// 24-byte STORAGE_FIRMWARE_SLOT_INFO_V2 entries (SlotNumber, ReadOnly, 6 reserved, 16-byte
// Revision) from 24.
inline constexpr std::size_t kInfoV2PayloadAlignment = 16;
inline constexpr std::size_t kInfoV2PayloadMaxSize = 20;
inline constexpr std::size_t kInfoV2Slots = 24;
inline constexpr std::uint32_t kInfoV2StructureSize = 48;
inline constexpr std::uint32_t kInfoV2StructureVersion = 2;
inline constexpr std::size_t kSlotV2EntrySize = 24;

// STORAGE_FIRMWARE_DOWNLOAD (version 1: image at 24) and _V2 (Slot at 24, image at 32). Callers
// put either the offset of the image or the padded structure size in Size.
inline constexpr std::size_t kDownloadVersion = 0;
inline constexpr std::size_t kDownloadSize = 4;
inline constexpr std::size_t kDownloadOffset = 8;
inline constexpr std::size_t kDownloadBufferSize = 16;
inline constexpr std::size_t kDownloadImage = 24;
inline constexpr std::size_t kDownloadV2Slot = 24;
inline constexpr std::size_t kDownloadV2Image = 32;
inline constexpr std::uint32_t kDownloadStructureSize = 32;
inline constexpr std::uint32_t kDownloadStructureVersion = 1;
inline constexpr std::uint32_t kDownloadV2StructureSize = 40;
inline constexpr std::uint32_t kDownloadV2StructureVersion = 2;

// STORAGE_FIRMWARE_ACTIVATE: Version, Size, SlotToActivate, Reserved0[3].
inline constexpr std::size_t kActivateVersion = 0;
inline constexpr std::size_t kActivateSize = 4;
inline constexpr std::size_t kActivateSlot = 8;
inline constexpr std::uint32_t kActivateStructureSize = 12;
inline constexpr std::uint32_t kActivateStructureVersion = 1;

// STORAGE_DEVICE_NUMBER: DeviceType, DeviceNumber, PartitionNumber.
inline constexpr std::size_t kDeviceNumberDeviceType = 0;
inline constexpr std::size_t kDeviceNumberDeviceNumber = 4;
inline constexpr std::size_t kDeviceNumberPartitionNumber = 8;
inline constexpr std::size_t kDeviceNumberStructureSize = 12;

// STORAGE_PROPERTY_QUERY (PropertyId, QueryType, AdditionalParameters) with
// STORAGE_PROTOCOL_SPECIFIC_DATA in its AdditionalParameters.
inline constexpr std::size_t kQueryPropertyId = 0;
inline constexpr std::size_t kQueryType = 4;
inline constexpr std::size_t kQueryProtocolData = 8;
// STORAGE_PROTOCOL_SPECIFIC_DATA, relative to its start.
inline constexpr std::size_t kProtocolType = 0;
inline constexpr std::size_t kDataType = 4;
inline constexpr std::size_t kRequestValue = 8;
inline constexpr std::size_t kProtocolDataOffset = 16;
inline constexpr std::size_t kProtocolDataLength = 20;
inline constexpr std::size_t kProtocolSpecificDataStructureSize = 40;
// STORAGE_PROTOCOL_DATA_DESCRIPTOR: Version, Size, then the protocol-specific data.
inline constexpr std::size_t kDescriptorVersion = 0;
inline constexpr std::size_t kDescriptorSize = 4;
inline constexpr std::size_t kDescriptorProtocolData = 8;
inline constexpr std::uint32_t kDescriptorStructureSize =
    kDescriptorProtocolData + kProtocolSpecificDataStructureSize;

}  // namespace sim::layout
