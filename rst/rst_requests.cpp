#include "rst/rst_requests.h"

#include <algorithm>
#include <string_view>

#include "platform/byte_layout.h"
#include "rst/rst_layout.h"

namespace rst {

namespace {

using namespace layout;
using platform::PutU32;
using platform::PutU64;
using platform::PutU8;

// Every byte of SRB_IO_CONTROL; Length counts the rest of the buffer. Inline, as are the two
// below: a download writes them for every piece of the image.
inline void WriteHeader(std::span<std::uint8_t> buffer, std::string_view signature,
                        std::uint32_t timeout, std::uint32_t controlCode) {
    PutU32(buffer, kSrbHeaderLength, kSrbIoControlSize);
    platform::PutAscii(buffer, kSrbSignature, signature);
    PutU32(buffer, kSrbTimeout, timeout);
    PutU32(buffer, kSrbControlCode, controlCode);
    PutU32(buffer, kSrbReturnCode, 0);
    PutU32(buffer, kSrbLength, static_cast<std::uint32_t>(buffer.size() - kSrbIoControlSize));
}

void FillHeader(std::span<std::uint8_t> buffer, std::string_view signature, std::uint32_t timeout,
                std::uint32_t controlCode) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    WriteHeader(buffer, signature, timeout, controlCode);
}

inline void FillAddress(std::span<std::uint8_t> buffer, std::uint8_t pathId) {
    PutU8(buffer, kAddressVersion, kAddressVersionValue);
    PutU8(buffer, kAddressPathId, pathId);
    PutU8(buffer, kAddressTargetId, 0);
    PutU8(buffer, kAddressLun, 0);
}

inline void FillFirmwareRequestBlock(std::span<std::uint8_t> buffer, std::uint32_t function,
                                     std::uint32_t dataLength) {
    PutU32(buffer, kFrbVersion, kFrbVersionValue);
    PutU32(buffer, kFrbSize, kFrbSizeValue);
    PutU32(buffer, kFrbFunction, function);
    PutU32(buffer, kFrbFlags, kFlagController);
    PutU32(buffer, kFrbDataBufferOffset, static_cast<std::uint32_t>(kFwData));
    PutU32(buffer, kFrbDataBufferLength, dataLength);
}

}  // namespace

std::uint8_t PathIdentifier(std::int64_t portNumber) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(portNumber) & 0xFF);
}

void FillCsmiRaidConfigRequest(std::span<std::uint8_t> buffer, std::uint32_t raidSetIndex) {
    FillHeader(buffer, kCsmiSignature, kCsmiTimeout, kCsmiGetRaidConfig);
    PutU32(buffer, kCsmiRaidSetIndex, raidSetIndex);
}

std::uint32_t ReturnCodeOf(std::span<const std::uint8_t> buffer) {
    return platform::GetU32(buffer, kSrbReturnCode);
}

std::uint8_t CsmiDriveCount(std::span<const std::uint8_t> buffer) {
    return platform::GetU8(buffer, kCsmiDriveCount);
}

std::size_t CsmiEntriesThatFit(std::size_t bufferSize) {
    return bufferSize < kCsmiFirstDrive ? 0 : (bufferSize - kCsmiFirstDrive) / kCsmiDriveEntrySize;
}

std::optional<std::uint8_t> CsmiMemberPort(std::span<const std::uint8_t> buffer, std::size_t i) {
    if (i >= CsmiEntriesThatFit(buffer.size())) {
        return std::nullopt;
    }
    return platform::GetU8(buffer, kCsmiFirstDrive + i * kCsmiDriveEntrySize + kCsmiDrivePortByte);
}

void FillIdentifyPassThrough(std::span<std::uint8_t> buffer, std::uint8_t pathId) {
    FillHeader(buffer, kNvmSignature, kNvmTimeout, kNvmPassThrough);
    FillAddress(buffer, pathId);
    PutU32(buffer, kNvmCdw0, kNvmIdentifyCdw0);
    PutU32(buffer, kNvmNsid, 0);
    PutU32(buffer, kNvmCdw10, kNvmCnsController);
    PutU8(buffer, kNvmCommandSet, 0);
    PutU32(buffer, kNvmDataOffset, static_cast<std::uint32_t>(kNvmData));
    PutU32(buffer, kNvmDataLength, static_cast<std::uint32_t>(kNvmDataSize));
}

std::span<const std::uint8_t> PassThroughData(std::span<const std::uint8_t> buffer) {
    platform::CheckFits(buffer.size(), kNvmData, kNvmDataSize);
    return buffer.subspan(kNvmData, kNvmDataSize);
}

// Every byte written once, as a cleared buffer filled field by field would hold them: the
// buffer is reused piece after piece, so nothing of the previous piece may survive.
void FillDownloadRequest(std::span<std::uint8_t> buffer, std::uint8_t pathId,
                         std::uint64_t imageOffset, std::span<const std::uint8_t> piece) {
    platform::CheckFits(buffer.size(), kDlImage, piece.size());
    buffer = buffer.first(kDlImage + piece.size());
    const auto pieceLength = static_cast<std::uint32_t>(piece.size());
    WriteHeader(buffer, kFwSignature, kFwTimeout, kFwControlCode);
    FillAddress(buffer, pathId);
    FillFirmwareRequestBlock(buffer, kFunctionDownload, pieceLength + kDlSizeValue);
    PutU32(buffer, kDlVersion, kDlVersionValue);
    PutU32(buffer, kDlSize, kDlSizeValue);
    PutU64(buffer, kDlOffset, imageOffset);
    PutU64(buffer, kDlBufferSize, pieceLength);
    PutU8(buffer, kDlSlot, kDlSlotValue);
    for (std::size_t i = 0; i < kDlReservedSize; ++i) {
        PutU8(buffer, kDlReserved + i, 0);
    }
    PutU32(buffer, kDlImageSize, 0);
    platform::PutBytes(buffer, kDlImage, piece);
}

void FillActivationRequest(std::span<std::uint8_t> buffer, std::uint8_t pathId) {
    FillHeader(buffer, kFwSignature, kFwTimeout, kFwControlCode);
    FillAddress(buffer, pathId);
    FillFirmwareRequestBlock(buffer, kFunctionActivate, kActSizeValue);
    PutU32(buffer, kActVersion, kActVersionValue);
    PutU32(buffer, kActSize, kActSizeValue);
    PutU8(buffer, kActSlot, kActSlotValue);
}

}  // namespace rst
