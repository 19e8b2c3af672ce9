#include "sim/inbox_driver.h"

#include <algorithm>
#include <array>

#include "platform/byte_layout.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

namespace {

using platform::GetU32;
using platform::GetU64;
using platform::PutU32;
using platform::PutU8;

using namespace layout;

// The query and the protocol-specific data it carries in AdditionalParameters.
constexpr std::size_t kQueryMinimumInput = kQueryProtocolData + kProtocolSpecificDataStructureSize;

// FIRMWARE_REQUEST_BLOCK directly behind SRB_IO_CONTROL, at offsets in the request.
constexpr std::size_t kFrbVersionAt = kInboxFrb + kFrbVersion;
constexpr std::size_t kFrbSizeAt = kInboxFrb + kFrbSize;
constexpr std::size_t kFrbFunctionAt = kInboxFrb + kFrbFunction;
constexpr std::size_t kFrbFlagsAt = kInboxFrb + kFrbFlags;
constexpr std::size_t kFrbDataBufferOffsetAt = kInboxFrb + kFrbDataBufferOffset;
constexpr std::size_t kFrbDataBufferLengthAt = kInboxFrb + kFrbDataBufferLength;
// Firmware Commit action 1: replace the slot's image and activate it at the next reset.
constexpr std::uint8_t kCommitReplaceActivateAtReset = 1;

platform::ControlResult Fail(win::Dword error) {
    return {false, 0, error};
}

}  // namespace

std::uint32_t FirmwareStatusFromNvme(std::uint16_t nvmeStatus) {
    switch (nvmeStatus) {
        case kNvmeSuccess:
            return kFirmwareStatusSuccess;
        case kNvmeInvalidField:
            return kFirmwareStatusInvalidParameter;
        case kNvmeInvalidFirmwareSlot:
            return kFirmwareStatusInvalidSlot;
        case kNvmeInvalidFirmwareImage:
            return kFirmwareStatusInvalidImage;
        case kNvmeConventionalResetRequired:
        case kNvmeSubsystemResetRequired:
        case kNvmeControllerResetRequired:
            return kFirmwareStatusPowerCycleRequired;
        default:
            break;
    }
    // Generic command statuses (SCT 0) are device errors; other command-specific ones errors.
    return (nvmeStatus >> 8) == 0 ? kFirmwareStatusDeviceError : kFirmwareStatusError;
}

InboxDriver::InboxDriver(NvmeDrive& drive, std::uint32_t deviceNumber, InboxDriverOptions options)
    : m_drive(drive), m_deviceNumber(deviceNumber), m_options(options) {}

platform::ControlResult InboxDriver::Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                             std::uint32_t inputLength) {
    switch (controlCode) {
        case win::kIoctlStorageGetDeviceNumber:
            return DeviceNumberQuery(buffer);
        case win::kIoctlStorageQueryProperty:
            return PropertyQuery(buffer, inputLength);
        case win::kIoctlScsiMiniport:
            return Miniport(buffer, inputLength);
        default:
            return Fail(kErrorInvalidFunction);
    }
}

platform::ControlResult InboxDriver::DeviceNumberQuery(std::span<std::uint8_t> buffer) {
    if (buffer.size() < kDeviceNumberStructureSize) {
        return Fail(win::kErrorInsufficientBuffer);
    }
    // A driver that answers short writes only what it returns.
    std::array<std::uint8_t, kDeviceNumberStructureSize> answer{};
    PutU32(answer, kDeviceNumberDeviceType, kFileDeviceDisk);
    PutU32(answer, kDeviceNumberDeviceNumber, m_deviceNumber);
    PutU32(answer, kDeviceNumberPartitionNumber, 0);
    const std::size_t returned = std::min<std::size_t>(m_options.deviceNumberBytes, answer.size());
    std::copy_n(answer.begin(), returned, buffer.begin());
    return {true, static_cast<std::uint32_t>(returned), 0};
}

platform::ControlResult InboxDriver::PropertyQuery(std::span<std::uint8_t> buffer,
                                                   std::uint32_t inputLength) {
    if (inputLength < kQueryMinimumInput) {
        return Fail(win::kErrorInvalidParameter);
    }
    const std::span<const std::uint8_t> in = buffer.first(inputLength);
    const std::uint32_t property = GetU32(in, kQueryPropertyId);
    if ((property != kStorageAdapterProtocolSpecificProperty &&
         property != kStorageDeviceProtocolSpecificProperty) ||
        GetU32(in, kQueryType) != kPropertyStandardQuery) {
        return Fail(win::kErrorInvalidParameter);
    }
    const std::size_t p = kQueryProtocolData;
    const std::uint32_t dataOffset = GetU32(in, p + kProtocolDataOffset);
    const std::uint32_t dataLength = GetU32(in, p + kProtocolDataLength);
    if (GetU32(in, p + kProtocolType) != kProtocolTypeNvme ||
        GetU32(in, p + kDataType) != kNvmeDataTypeIdentify ||
        GetU32(in, p + kRequestValue) != kNvmeIdentifyCnsController ||
        dataOffset < kProtocolSpecificDataStructureSize || dataLength < kIdentifySize ||
        !platform::FitsIn(buffer.size(), std::size_t{p} + dataOffset, kIdentifySize)) {
        return Fail(win::kErrorInvalidParameter);
    }
    const auto identify = m_drive.IdentifyController();
    // The answer: a STORAGE_PROTOCOL_DATA_DESCRIPTOR over the query, data where it was asked.
    PutU32(buffer, kDescriptorVersion, kDescriptorStructureSize);
    PutU32(buffer, kDescriptorSize, kDescriptorStructureSize);
    PutU32(buffer, p + kProtocolDataLength, kIdentifySize);
    platform::PutBytes(buffer, p + dataOffset, identify);
    return {true, static_cast<std::uint32_t>(p + dataOffset + kIdentifySize), 0};
}

platform::ControlResult InboxDriver::Miniport(std::span<std::uint8_t> buffer,
                                              std::uint32_t inputLength) {
    // The port driver checks the header before any miniport sees the request.
    if (inputLength < kSrbSize || GetU32(buffer, kSrbHeaderLength) != kSrbSize ||
        std::size_t{GetU32(buffer, kSrbLength)} + kSrbSize > inputLength) {
        return Fail(win::kErrorInvalidParameter);
    }
    const std::string signature(buffer.begin() + kSrbSignature,
                                buffer.begin() + kSrbSignature + kSrbSignatureSize);
    if (signature != "FIRMWARE" ||
        GetU32(buffer, kSrbControlCode) != win::kIoctlScsiMiniportFirmware) {
        return Fail(kErrorInvalidFunction);
    }
    const std::size_t requestEnd = kSrbSize + GetU32(buffer, kSrbLength);
    std::uint32_t status = kFirmwareStatusInvalidParameter;
    if (requestEnd >= kSrbSize + kFrbStructureSize &&
        GetU32(buffer, kFrbVersionAt) == kFrbStructureVersion &&
        GetU32(buffer, kFrbSizeAt) == kFrbStructureSize) {
        const std::uint32_t dataOffset = GetU32(buffer, kFrbDataBufferOffsetAt);
        const std::uint32_t dataLength = GetU32(buffer, kFrbDataBufferLengthAt);
        const bool fits = dataOffset >= kSrbSize + kFrbStructureSize &&
                          platform::FitsIn(requestEnd, dataOffset, dataLength);
        if (fits) {
            const std::span<std::uint8_t> request = buffer.first(requestEnd);
            switch (GetU32(buffer, kFrbFunctionAt)) {
                case kFirmwareFunctionGetInfo:
                    status = FirmwareGetInfo(request, GetU32(buffer, kFrbFlagsAt), dataOffset,
                                             dataLength);
                    break;
                case kFirmwareFunctionDownload:
                    status = FirmwareDownload(request, dataOffset, dataLength);
                    break;
                case kFirmwareFunctionActivate:
                    status = FirmwareActivate(request, dataOffset, dataLength);
                    break;
                default:
                    status = kFirmwareStatusIllegalRequest;
                    break;
            }
        }
    }
    PutU32(buffer, kSrbReturnCode, status);
    return {true, static_cast<std::uint32_t>(requestEnd), 0};
}

std::uint32_t InboxDriver::FirmwareGetInfo(std::span<std::uint8_t> buffer, std::uint32_t flags,
                                           std::uint32_t dataOffset, std::uint32_t dataLength) {
    // The driver knows FRMW from the Identify data it read when it started the controller; it
    // asks the drive only for the firmware slot log.
    const auto identify = m_drive.IdentifyData();
    const auto log = m_drive.FirmwareSlotLog();
    const std::uint8_t frmw = identify[260];
    const std::uint8_t activeSlot = log[0] & 0x7;
    const std::uint8_t pendingSlot = (log[0] >> 4) & 0x7;
    // Without the controller flag the driver reports only the running slot.
    const bool controller = (flags & kFirmwareRequestFlagController) != 0;
    std::vector<std::uint8_t> slots;
    for (std::uint8_t slot = 1; slot <= ((frmw >> 1) & 0x7); ++slot) {
        if (controller || slot == activeSlot) {
            slots.push_back(slot);
        }
    }
    const bool v2 = m_options.infoVersion == 2;
    const std::size_t slotsAt = v2 ? kInfoV2Slots : kInfoSlots;
    const std::size_t entrySize = v2 ? kSlotV2EntrySize : kSlotEntrySize;
    const std::size_t needed = slotsAt + entrySize * std::max<std::size_t>(slots.size(), 1);
    if (dataLength < needed) {
        return kFirmwareStatusOutputBufferTooSmall;
    }
    const std::span<std::uint8_t> info = buffer.subspan(dataOffset, dataLength);
    PutU32(info, kInfoVersion, m_options.infoVersion);
    PutU32(info, kInfoSize, v2 ? kInfoV2StructureSize : kInfoStructureSize);
    PutU8(info, kInfoUpgradeSupport, m_options.infoUpgradeSupport.value_or(1));
    PutU8(info, kInfoSlotCount,
          m_options.infoSlotCount.value_or(static_cast<std::uint8_t>(slots.size())));
    PutU8(info, kInfoActiveSlot, activeSlot);
    PutU8(info, kInfoPendingSlot, pendingSlot == 0 ? kInfoInvalidSlot : pendingSlot);
    if (v2) {
        // FWUG in bytes (4 KiB when the drive gives none), and the driver's transfer limit.
        const std::uint8_t fwug = identify[319];
        PutU32(info, kInfoV2PayloadAlignment, (fwug == 0 || fwug == 0xFF ? 1u : fwug) * 4096u);
        PutU32(info, kInfoV2PayloadMaxSize, m_options.maxTransferBytes);
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::size_t entry = slotsAt + entrySize * i;
        PutU8(info, entry + kSlotNumber, slots[i]);
        PutU8(info, entry + kSlotReadOnly, (slots[i] == 1 && (frmw & 1)) ? 1 : 0);
        platform::PutBytes(info, entry + kSlotRevision, std::span(log).subspan(8u * slots[i], 8));
    }
    if (m_options.infoDataBufferOffset) {
        PutU32(buffer, kFrbDataBufferOffsetAt, *m_options.infoDataBufferOffset);
    }
    return kFirmwareStatusSuccess;
}

std::uint32_t InboxDriver::FirmwareDownload(std::span<std::uint8_t> buffer,
                                            std::uint32_t dataOffset, std::uint32_t dataLength) {
    const std::span<const std::uint8_t> block = buffer.subspan(dataOffset, dataLength);
    if (dataLength < kDownloadImage ||
        GetU32(block, kDownloadVersion) != kDownloadStructureVersion ||
        (GetU32(block, kDownloadSize) != kDownloadImage &&
         GetU32(block, kDownloadSize) != kDownloadStructureSize)) {
        return kFirmwareStatusInvalidParameter;
    }
    const std::uint64_t offset = GetU64(block, kDownloadOffset);
    const std::uint64_t size = GetU64(block, kDownloadBufferSize);
    if (size == 0 || !platform::FitsIn(dataLength, kDownloadImage, size)) {
        return kFirmwareStatusInvalidParameter;
    }
    if (m_options.maxTransferBytes != 0 && size > m_options.maxTransferBytes) {
        return kFirmwareStatusInputBufferTooBig;
    }
    return FirmwareStatusFromNvme(m_drive.Download(offset, block.subspan(kDownloadImage, size)));
}

std::uint32_t InboxDriver::FirmwareActivate(std::span<std::uint8_t> buffer,
                                            std::uint32_t dataOffset, std::uint32_t dataLength) {
    const std::span<const std::uint8_t> block = buffer.subspan(dataOffset, dataLength);
    if (dataLength < kActivateStructureSize ||
        GetU32(block, kActivateVersion) != kActivateStructureVersion ||
        GetU32(block, kActivateSize) != kActivateStructureSize) {
        return kFirmwareStatusInvalidParameter;
    }
    const std::uint8_t slot = block[kActivateSlot];
    if (slot == 0 || slot == kInfoInvalidSlot) {
        return kFirmwareStatusInvalidSlot;
    }
    return FirmwareStatusFromNvme(m_drive.Commit(slot, kCommitReplaceActivateAtReset));
}

}  // namespace sim
