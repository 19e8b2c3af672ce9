#include "rst/rst_requests.h"

#include <algorithm>
#include <string_view>

#include "platform/byte_layout.h"
#include "platform/miniport_header.h"
#include "rst/rst_layout.h"

namespace rst {

namespace {

using namespace layout;
using namespace platform::miniport;
using platform::PutU32;
using platform::PutU64;
using platform::PutU8;

void FillHeader(std::span<std::uint8_t> buffer, std::string_view signature, std::uint32_t timeout,
                std::uint32_t controlCode) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    PutSrbIoControl(buffer, signature, timeout, controlCode);
}

// Inline, as is the request block below: a download writes both for every piece of the image.
inline void FillAddress(std::span<std::uint8_t> buffer, std::uint8_t pathId) {
    PutU8(buffer, kAddressVersionOffset, kAddressVersionValue);
    PutU8(buffer, kAddressPathIdOffset, pathId);
    PutU8(buffer, kAddressTargetIdOffset, 0);
    PutU8(buffer, kAddressLunOffset, 0);
}

inline void FillFirmwareRequestBlock(std::span<std::uint8_t> buffer, std::uint32_t function,
                                     std::uint32_t dataLength) {
    PutFirmwareRequestBlock(buffer, kFwRequestBlockOffset, function,
                            static_cast<std::uint32_t>(kFwDataAreaOffset), dataLength);
}

// One builder for every admin command the pass-through carries: each reads into the data area.
void FillPassThrough(std::span<std::uint8_t> buffer, std::uint8_t pathId, std::uint32_t cdw0,
                     std::uint32_t nsid, std::uint32_t cdw10, std::size_t dataLength) {
    FillHeader(buffer, kNvmSignatureValue, kNvmTimeoutValue, kNvmControlCodeValue);
    FillAddress(buffer, pathId);
    PutU32(buffer, kNvmCdw0Offset, cdw0);
    PutU32(buffer, kNvmNsidOffset, nsid);
    PutU32(buffer, kNvmCdw10Offset, cdw10);
    PutU8(buffer, kNvmCommandSetOffset, 0);
    PutU32(buffer, kNvmDataOffsetOffset, static_cast<std::uint32_t>(kNvmDataAreaOffset));
    PutU32(buffer, kNvmDataLengthOffset, static_cast<std::uint32_t>(dataLength));
}

}  // namespace

std::uint8_t PathIdentifier(std::int64_t portNumber) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(portNumber) & 0xFF);
}

void FillCsmiRaidConfigRequest(std::span<std::uint8_t> buffer, std::uint32_t raidSetIndex) {
    FillHeader(buffer, kCsmiSignatureValue, kCsmiTimeoutValue, kCsmiControlCodeValue);
    PutU32(buffer, kCsmiRaidSetIndexOffset, raidSetIndex);
}

std::uint32_t ReturnCodeOf(std::span<const std::uint8_t> buffer) {
    return SrbReturnCode(buffer);
}

std::uint8_t CsmiDriveCount(std::span<const std::uint8_t> buffer) {
    return platform::GetU8(buffer, kCsmiDriveCountOffset);
}

std::size_t CsmiEntriesThatFit(std::size_t bufferSize) {
    return bufferSize < kCsmiFirstDriveOffset
               ? 0
               : (bufferSize - kCsmiFirstDriveOffset) / kCsmiDriveEntrySize;
}

std::optional<std::uint8_t> CsmiMemberPort(std::span<const std::uint8_t> buffer, std::size_t i) {
    if (i >= CsmiEntriesThatFit(buffer.size())) {
        return std::nullopt;
    }
    return platform::GetU8(
        buffer, kCsmiFirstDriveOffset + i * kCsmiDriveEntrySize + kCsmiDrivePortByteOffset);
}

bool CsmiMemberIsNvme(std::span<const std::uint8_t> buffer, std::size_t i) {
    if (i >= CsmiEntriesThatFit(buffer.size())) {
        return false;
    }
    const std::size_t model =
        kCsmiFirstDriveOffset + i * kCsmiDriveEntrySize + kCsmiDriveModelOffset;
    const std::span<const std::uint8_t> prefix = buffer.subspan(model, kCsmiNvmeModelPrefix.size());
    return std::equal(prefix.begin(), prefix.end(), kCsmiNvmeModelPrefix.begin(),
                      [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); });
}

void FillIdentifyPassThrough(std::span<std::uint8_t> buffer, std::uint8_t pathId) {
    FillPassThrough(buffer, pathId, kNvmCdw0Value, kNvmNsidValue, kNvmCdw10Value, kNvmDataAreaSize);
}

void FillSlotLogPassThrough(std::span<std::uint8_t> buffer, std::uint8_t pathId) {
    FillPassThrough(buffer, pathId, kNvmGetLogPageCdw0Value, kNvmSlotLogNsidValue,
                    kNvmSlotLogCdw10Value, kFirmwareSlotLogSize);
}

bool PassThroughAnswered(std::span<const std::uint8_t> buffer) {
    const std::uint32_t code = ReturnCodeOf(buffer);
    return code == kNvmSrbStatusPending || code == kNvmSrbStatusSuccess;
}

std::span<const std::uint8_t> PassThroughData(std::span<const std::uint8_t> buffer) {
    platform::CheckFits(buffer.size(), kNvmDataAreaOffset, kNvmDataAreaSize);
    return buffer.subspan(kNvmDataAreaOffset, kNvmDataAreaSize);
}

std::uint8_t SlotLogActiveSlot(std::span<const std::uint8_t> buffer) {
    return platform::GetU8(PassThroughData(buffer), kSlotLogAfiOffset) & kSlotLogAfiSlotMask;
}

std::uint8_t SlotLogPendingSlot(std::span<const std::uint8_t> buffer) {
    return (platform::GetU8(PassThroughData(buffer), kSlotLogAfiOffset) >>
            kSlotLogAfiPendingShift) &
           kSlotLogAfiSlotMask;
}

std::span<const std::uint8_t> SlotLogRevision(std::span<const std::uint8_t> buffer,
                                              std::uint8_t slot) {
    const std::span<const std::uint8_t> log = PassThroughData(buffer).first(kFirmwareSlotLogSize);
    platform::CheckFits(7, slot - 1u, 1);  // slots 1 to 7
    return log.subspan(kSlotLogRevisionsOffset + (slot - 1u) * kSlotLogRevisionSize,
                       kSlotLogRevisionSize);
}

std::optional<std::span<const std::uint8_t>> PendingSlotRevision(
    std::span<const std::uint8_t> buffer) {
    const std::uint8_t pending = SlotLogPendingSlot(buffer);
    if (pending == 0) {
        return std::nullopt;
    }
    return SlotLogRevision(buffer, pending);
}

// Every byte written once, as a cleared buffer filled field by field would hold them: the
// buffer is reused piece after piece, so nothing of the previous piece may survive.
void FillDownloadRequest(std::span<std::uint8_t> buffer, std::uint8_t pathId,
                         std::uint64_t imageOffset, std::span<const std::uint8_t> piece) {
    platform::CheckFits(buffer.size(), kFwDownloadOverheadSize, piece.size());
    buffer = buffer.first(kFwDownloadOverheadSize + piece.size());
    const auto pieceLength = static_cast<std::uint32_t>(piece.size());
    constexpr std::size_t block = kFwDataAreaOffset;
    PutSrbIoControl(buffer, kFwSignatureValue, kFwTimeoutValue, kFwControlCodeValue);
    FillAddress(buffer, pathId);
    FillFirmwareRequestBlock(buffer, kFirmwareFunctionDownload, pieceLength + kDownloadV2SizeValue);
    PutU32(buffer, block + kDownloadVersionOffset, kDownloadV2VersionValue);
    PutU32(buffer, block + kDownloadSizeOffset, kDownloadV2SizeValue);
    PutU64(buffer, block + kDownloadOffsetOffset, imageOffset);
    PutU64(buffer, block + kDownloadBufferSizeOffset, pieceLength);
    PutU8(buffer, block + kDownloadV2SlotOffset, kFwDownloadSlotValue);
    for (std::size_t i = 0; i < kDownloadV2ReservedSize; ++i) {
        PutU8(buffer, block + kDownloadV2ReservedOffset + i, 0);
    }
    // ImageSize is sent as 0.
    PutU32(buffer, block + kDownloadV2ImageSizeOffset, 0);
    platform::PutBytes(buffer, kFwDownloadOverheadSize, piece);
}

void FillActivationRequest(std::span<std::uint8_t> buffer, std::uint8_t pathId, std::uint8_t slot) {
    FillHeader(buffer, kFwSignatureValue, kFwTimeoutValue, kFwControlCodeValue);
    FillAddress(buffer, pathId);
    FillFirmwareRequestBlock(buffer, kFirmwareFunctionActivate, kActivateSizeValue);
    PutU32(buffer, kFwDataAreaOffset + kActivateVersionOffset, kActivateVersionValue);
    PutU32(buffer, kFwDataAreaOffset + kActivateSizeOffset, kActivateSizeValue);
    PutU8(buffer, kFwDataAreaOffset + kActivateSlotOffset, slot);
}

}  // namespace rst
