#include "inbox/miniport_request.h"

#include <algorithm>

#include "image/firmware_image.h"
#include "image/unactivated_image.h"
#include "inbox/miniport_firmware_layout.h"
#include "platform/byte_layout.h"
#include "platform/miniport_header.h"
#include "platform/windows_values.h"

namespace inbox {

using namespace platform::miniport;
using namespace miniport;

std::size_t MiniportBufferSize(std::size_t pieceSize) {
    return pieceSize + kRequestOverheadSize;
}

namespace {

// Every byte of SRB_IO_CONTROL and FIRMWARE_REQUEST_BLOCK; Length and DataBufferLength cover
// the whole buffer.
void WriteFirmwareRequestHeader(std::span<std::uint8_t> buffer, std::uint32_t function) {
    const auto size = static_cast<std::uint32_t>(buffer.size());
    PutSrbIoControl(buffer, kSrbSignatureValue, kSrbTimeoutValue, win::kIoctlScsiMiniportFirmware);
    PutFirmwareRequestBlock(buffer, kRequestBlockOffset, function,
                            static_cast<std::uint32_t>(kDataAreaOffset),
                            size - static_cast<std::uint32_t>(kDataAreaOffset));
}

void PutZeros(std::span<std::uint8_t> buffer, std::size_t offset, std::size_t width) {
    platform::CheckFits(buffer.size(), offset, width);
    std::fill_n(buffer.begin() + static_cast<std::ptrdiff_t>(offset), width, std::uint8_t{0});
}

}  // namespace

void BuildFirmwareRequest(std::span<std::uint8_t> buffer, std::uint32_t function) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    WriteFirmwareRequestHeader(buffer, function);
}

// The bytes of a cleared buffer filled field by field, written once each: every header and
// STORAGE_FIRMWARE_DOWNLOAD field (none of the first 76 bytes is reserved), the piece, then
// zeros after a short piece (the buffer keeps its size; BufferSize says how much is image).
void BuildDownloadRequest(std::span<std::uint8_t> buffer, std::uint64_t offset,
                          std::span<const std::uint8_t> piece) {
    platform::CheckFits(buffer.size(), kRequestOverheadSize, piece.size());
    WriteFirmwareRequestHeader(buffer, kFirmwareFunctionDownload);
    platform::PutU32(buffer, kDataAreaOffset + kDownloadVersionOffset, kDownloadVersionValue);
    platform::PutU32(buffer, kDataAreaOffset + kDownloadSizeOffset, kDownloadSizeValue);
    platform::PutU64(buffer, kDataAreaOffset + kDownloadOffsetOffset, offset);
    platform::PutU64(buffer, kDataAreaOffset + kDownloadBufferSizeOffset, piece.size());
    platform::PutBytes(buffer, kRequestOverheadSize, piece);
    const std::size_t end = kRequestOverheadSize + piece.size();
    PutZeros(buffer, end, buffer.size() - end);
}

void BuildActivateRequest(std::span<std::uint8_t> buffer, std::uint8_t slot) {
    BuildFirmwareRequest(buffer, kFirmwareFunctionActivate);
    platform::PutU32(buffer, kDataAreaOffset + kActivateVersionOffset, kActivateVersionValue);
    platform::PutU32(buffer, kDataAreaOffset + kActivateSizeOffset, kActivateSizeValue);
    platform::PutU8(buffer, kDataAreaOffset + kActivateSlotOffset, slot);
}

std::uint32_t FirmwareReturnCode(std::span<const std::uint8_t> buffer) {
    return SrbReturnCode(buffer);
}

FirmwareInfo ReadFirmwareInfo(std::span<const std::uint8_t> buffer) {
    FirmwareInfo read;
    read.DataBufferOffset =
        platform::GetU32(buffer, kRequestBlockOffset + kFrbDataBufferOffsetOffset);
    const std::size_t info = read.DataBufferOffset;
    // The answer stands behind the request block, within the buffer.
    if (info < kDataAreaOffset || !platform::FitsIn(buffer.size(), info, kInfoSlotsOffset)) {
        return read;
    }
    read.Version = platform::GetU32(buffer, info + kInfoVersionOffset);
    if (read.Version != kInfoVersionUnsetValue && read.Version != kInfoVersionValue) {
        read.Layout = FirmwareInfo::Layout::OtherVersion;
        return read;
    }
    read.Layout = FirmwareInfo::Layout::Version1;
    read.UpgradeSupport = platform::GetU8(buffer, info + kInfoUpgradeSupportOffset);
    read.SlotCount = platform::GetU8(buffer, info + kInfoSlotCountOffset);
    read.ActiveSlot = platform::GetU8(buffer, info + kInfoActiveSlotOffset);
    read.PendingSlotField = platform::GetU8(buffer, info + kInfoPendingSlotOffset);
    if (read.PendingSlotField != 0 && read.PendingSlotField != kInfoInvalidSlotValue) {
        read.PendingSlot = read.PendingSlotField;
    }
    for (std::size_t i = 0; i < read.SlotCount; ++i) {
        const std::size_t entry = info + kInfoSlotsOffset + i * kStorageFirmwareSlotInfoSize;
        if (!platform::FitsIn(buffer.size(), entry, kStorageFirmwareSlotInfoSize)) {
            break;
        }
        FirmwareSlotEntry slot;
        slot.Number = platform::GetU8(buffer, entry + kSlotNumberOffset);
        slot.ReadOnly = platform::GetU8(buffer, entry + kSlotReadOnlyOffset) != 0;
        for (std::size_t k = 0; k < slot.Revision.size(); ++k) {
            slot.Revision[k] = platform::GetU8(buffer, entry + kSlotRevisionOffset + k);
        }
        read.Slots.push_back(slot);
    }
    return read;
}

SlotAnswer ChooseWritableSlot(const FirmwareInfo& info) {
    // STORAGE_FIRMWARE_INFO_V2 puts its slot entries elsewhere and makes them 24 bytes long:
    // read in the version-1 layout it would name a slot that is not there.
    if (info.Layout != FirmwareInfo::Layout::Version1 || info.SlotCount > kMaxFirmwareSlots) {
        return {};
    }
    // NVMe numbers firmware slots 1 to 7; slot 0 would let the controller choose.
    if (std::any_of(info.Slots.begin(), info.Slots.end(), [](const FirmwareSlotEntry& slot) {
            return slot.Number == 0 || slot.Number > kMaxFirmwareSlots;
        })) {
        return {};
    }
    if (info.SlotCount == 0 || !info.AllSlotsListed()) {
        // Without upgrade support the entries are not needed to refuse the update.
        SlotAnswer refused;
        refused.Choice = info.UpgradeSupport == 0 || info.SlotCount == 0 ? SlotChoice::NotUpdatable
                                                                         : SlotChoice::Malformed;
        return refused;
    }
    SlotAnswer answer{SlotChoice::NotUpdatable, 0, std::nullopt};
    for (const FirmwareSlotEntry& slot : info.Slots) {
        if (answer.Choice != SlotChoice::Chosen && info.UpgradeSupport != 0 && !slot.ReadOnly) {
            answer.Choice = SlotChoice::Chosen;
            answer.Slot = slot.Number;
        }
        if (info.PendingSlot && slot.Number == *info.PendingSlot && !answer.PendingRevision) {
            answer.PendingRevision = slot.Revision;
        }
    }
    return answer;
}

bool ImageAwaitsReset(const SlotAnswer& answer, std::u16string_view imageRevision) {
    return answer.Choice != SlotChoice::Malformed && answer.PendingRevision &&
           image::IsRevision(*answer.PendingRevision, imageRevision);
}

std::optional<std::uint8_t> SlotOfUnactivatedImage(const FirmwareInfo& info,
                                                   const SlotAnswer& answer,
                                                   std::u16string_view imageRevision) {
    if (answer.Choice == SlotChoice::Malformed) {
        return std::nullopt;
    }
    std::vector<image::SlotRevision> slots;
    slots.reserve(info.Slots.size());
    for (const FirmwareSlotEntry& slot : info.Slots) {
        slots.push_back({slot.Number, slot.Revision});
    }
    return image::SlotOfUnactivatedImage(info.ActiveSlot, info.PendingSlot, slots, imageRevision);
}

}  // namespace inbox
