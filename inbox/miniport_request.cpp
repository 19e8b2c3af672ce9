#include "inbox/miniport_request.h"

#include <algorithm>

#include "inbox/miniport_firmware_layout.h"
#include "platform/byte_layout.h"
#include "platform/windows_values.h"

namespace inbox {

using namespace miniport;

std::size_t MiniportBufferSize(std::size_t pieceSize) {
    return pieceSize + kRequestOverhead;
}

namespace {

// Every byte of SRB_IO_CONTROL and FIRMWARE_REQUEST_BLOCK; Length and DataBufferLength cover
// the whole buffer.
void WriteFirmwareRequestHeader(std::span<std::uint8_t> buffer, std::uint32_t function) {
    const auto size = static_cast<std::uint32_t>(buffer.size());
    platform::PutU32(buffer, kHeaderLengthOffset, kHeaderLength);
    platform::PutAscii(buffer, kSignatureOffset, kSignature);
    platform::PutU32(buffer, kTimeoutOffset, kTimeoutSeconds);
    platform::PutU32(buffer, kControlCodeOffset, win::kIoctlScsiMiniportFirmware);
    platform::PutU32(buffer, kReturnCodeOffset, 0);
    platform::PutU32(buffer, kLengthOffset, size - static_cast<std::uint32_t>(kSrbIoControlSize));
    platform::PutU32(buffer, kVersionOffset, kRequestVersion);
    platform::PutU32(buffer, kSizeOffset, kRequestBlockSizeValue);
    platform::PutU32(buffer, kFunctionOffset, function);
    platform::PutU32(buffer, kFlagsOffset, kFlagController);
    platform::PutU32(buffer, kDataBufferOffsetOffset, static_cast<std::uint32_t>(kDataAreaOffset));
    platform::PutU32(buffer, kDataBufferLengthOffset,
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
    platform::CheckFits(buffer.size(), kRequestOverhead, piece.size());
    WriteFirmwareRequestHeader(buffer, kFunctionDownload);
    platform::PutU32(buffer, kDataAreaOffset + kDownloadVersionOffset, kDownloadVersion);
    platform::PutU32(buffer, kDataAreaOffset + kDownloadSizeOffset, kDownloadSizeValue);
    platform::PutU64(buffer, kDataAreaOffset + kDownloadOffsetOffset, offset);
    platform::PutU64(buffer, kDataAreaOffset + kDownloadBufferSizeOffset, piece.size());
    platform::PutBytes(buffer, kRequestOverhead, piece);
    const std::size_t end = kRequestOverhead + piece.size();
    PutZeros(buffer, end, buffer.size() - end);
}

void BuildActivateRequest(std::span<std::uint8_t> buffer, std::uint8_t slot) {
    BuildFirmwareRequest(buffer, kFunctionActivate);
    platform::PutU32(buffer, kDataAreaOffset + kActivateVersionOffset, kActivateVersion);
    platform::PutU32(buffer, kDataAreaOffset + kActivateSizeOffset, kActivateSizeValue);
    platform::PutU8(buffer, kDataAreaOffset + kActivateSlotOffset, slot);
}

std::uint32_t FirmwareReturnCode(std::span<const std::uint8_t> buffer) {
    return platform::GetU32(buffer, kReturnCodeOffset);
}

SlotAnswer ChooseWritableSlot(std::span<const std::uint8_t> buffer) {
    // The driver may move the answer; trust its offset only as far as the buffer reaches.
    const std::size_t info = platform::GetU32(buffer, kDataBufferOffsetOffset);
    if (!platform::FitsIn(buffer.size(), info, kInfoSlotsOffset)) {
        return {};
    }
    // STORAGE_FIRMWARE_INFO_V2 puts its slot entries elsewhere and makes them 24 bytes long:
    // read in the version-1 layout it would name a slot that is not there.
    const std::uint32_t version = platform::GetU32(buffer, info + kInfoVersionOffset);
    if (version != kInfoVersionUnset && version != kInfoVersion1) {
        return {};
    }
    const std::uint8_t upgradeSupport = platform::GetU8(buffer, info + kInfoUpgradeSupportOffset);
    const std::uint8_t slotCount = platform::GetU8(buffer, info + kInfoSlotCountOffset);
    if (upgradeSupport == 0 || slotCount == 0) {
        return {SlotChoice::NotUpdatable, 0};
    }
    if (!platform::FitsIn(buffer.size(), info + kInfoSlotsOffset,
                          std::size_t{slotCount} * kSlotEntrySize)) {
        return {};
    }
    for (std::size_t i = 0; i < slotCount; ++i) {
        const std::size_t entry = info + kInfoSlotsOffset + i * kSlotEntrySize;
        const std::uint8_t number = platform::GetU8(buffer, entry + kSlotNumberOffset);
        // Firmware slots are numbered from 1; slot 0 would let the controller choose.
        if (number != 0 && platform::GetU8(buffer, entry + kSlotReadOnlyOffset) == 0) {
            return {SlotChoice::Chosen, number};
        }
    }
    return {SlotChoice::NotUpdatable, 0};
}

}  // namespace inbox
