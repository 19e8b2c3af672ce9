// Writers of the two headers of an IOCTL_SCSI_MINIPORT firmware request, shared by both access
// paths. Inline: a download writes them for every piece of the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"

namespace platform::miniport {

// Every byte of SRB_IO_CONTROL at the buffer's start (signature: kSrbSignatureSize bytes);
// ReturnCode 0, Length the rest of the buffer.
inline void PutSrbIoControl(std::span<std::uint8_t> buffer, std::string_view signature,
                            std::uint32_t timeoutSeconds, std::uint32_t controlCode) {
    PutU32(buffer, kSrbHeaderLengthOffset, kSrbHeaderLengthValue);
    PutAscii(buffer, kSrbSignatureOffset, signature);
    PutU32(buffer, kSrbTimeoutOffset, timeoutSeconds);
    PutU32(buffer, kSrbControlCodeOffset, controlCode);
    PutU32(buffer, kSrbReturnCodeOffset, 0);
    PutU32(buffer, kSrbLengthOffset, static_cast<std::uint32_t>(buffer.size() - kSrbIoControlSize));
}

// SRB_IO_CONTROL.ReturnCode as the driver left it.
inline std::uint32_t SrbReturnCode(std::span<const std::uint8_t> buffer) {
    return GetU32(buffer, kSrbReturnCodeOffset);
}

// Every byte of a FIRMWARE_REQUEST_BLOCK for the controller at blockOffset.
inline void PutFirmwareRequestBlock(std::span<std::uint8_t> buffer, std::size_t blockOffset,
                                    std::uint32_t function, std::uint32_t dataBufferOffset,
                                    std::uint32_t dataBufferLength) {
    PutU32(buffer, blockOffset + kFrbVersionOffset, kFrbVersionValue);
    PutU32(buffer, blockOffset + kFrbSizeOffset, kFrbSizeValue);
    PutU32(buffer, blockOffset + kFrbFunctionOffset, function);
    PutU32(buffer, blockOffset + kFrbFlagsOffset, kFirmwareRequestFlagController);
    PutU32(buffer, blockOffset + kFrbDataBufferOffsetOffset, dataBufferOffset);
    PutU32(buffer, blockOffset + kFrbDataBufferLengthOffset, dataBufferLength);
}

}  // namespace platform::miniport
