#include "sim/null_drive_endpoint.h"

#include <string_view>

#include "platform/byte_layout.h"

namespace sim {

namespace {

// SRB_IO_CONTROL: Signature at 4, ReturnCode at 20.
constexpr std::size_t kSrbSignature = 4;
constexpr std::size_t kSrbSignatureSize = 8;
constexpr std::size_t kSrbReturnCode = 20;
// FIRMWARE_REQUEST_BLOCK.Function and DataBufferOffset behind the 28-byte SRB_IO_CONTROL; the
// Intel firmware requests put four address bytes in between.
constexpr std::size_t kFirmwareFunction = 36;
constexpr std::size_t kFirmwareDataBufferOffset = 44;
constexpr std::size_t kIntelFwFunction = 40;
constexpr std::uint32_t kFunctionGetInfo = 1;
constexpr std::uint32_t kFunctionDownload = 2;
constexpr std::uint32_t kFunctionActivate = 3;
// STORAGE_FIRMWARE_INFO (version 1) with one STORAGE_FIRMWARE_SLOT_INFO entry.
constexpr std::size_t kInfoVersion = 0;
constexpr std::size_t kInfoSize = 4;
constexpr std::size_t kInfoUpgradeSupport = 8;
constexpr std::size_t kInfoSlotCount = 9;
constexpr std::size_t kInfoActiveSlot = 10;
constexpr std::size_t kInfoSlots = 16;
constexpr std::size_t kSlotEntrySize = 16;
constexpr std::size_t kSlotNumber = 0;
constexpr std::size_t kSlotReadOnly = 1;
constexpr std::uint32_t kInfoStructureSize = 32;

std::string_view Signature(std::span<const std::uint8_t> buffer) {
    if (!platform::FitsIn(buffer.size(), kSrbSignature, kSrbSignatureSize)) {
        return {};
    }
    return {reinterpret_cast<const char*>(buffer.data() + kSrbSignature), kSrbSignatureSize};
}

std::uint32_t FunctionAt(std::span<const std::uint8_t> buffer, std::size_t offset) {
    return platform::FitsIn(buffer.size(), offset, 4) ? platform::GetU32(buffer, offset) : 0;
}

void SetReturnCode(std::span<std::uint8_t> buffer, std::uint32_t code) {
    if (platform::FitsIn(buffer.size(), kSrbReturnCode, 4)) {
        platform::PutU32(buffer, kSrbReturnCode, code);
    }
}

// One writable slot, as far as the buffer has room at the offset the request names.
void AnswerGetInfo(std::span<std::uint8_t> buffer) {
    const std::size_t info = FunctionAt(buffer, kFirmwareDataBufferOffset);
    if (!platform::FitsIn(buffer.size(), info, kInfoSlots + kSlotEntrySize)) {
        return;
    }
    platform::PutU32(buffer, info + kInfoVersion, 1);
    platform::PutU32(buffer, info + kInfoSize, kInfoStructureSize);
    platform::PutU8(buffer, info + kInfoUpgradeSupport, 1);
    platform::PutU8(buffer, info + kInfoSlotCount, 1);
    platform::PutU8(buffer, info + kInfoActiveSlot, 1);
    platform::PutU8(buffer, info + kInfoSlots + kSlotNumber, 1);
    platform::PutU8(buffer, info + kInfoSlots + kSlotReadOnly, 0);
}

}  // namespace

platform::ControlResult NullDriveEndpoint::Control(win::Dword controlCode,
                                                   std::span<std::uint8_t> buffer,
                                                   std::uint32_t inputLength) {
    (void)inputLength;
    ++m_calls;
    m_bytesSeen += buffer.size();
    if (controlCode == win::kIoctlScsiMiniport) {
        if (Signature(buffer) == "FIRMWARE" &&
            FunctionAt(buffer, kFirmwareFunction) == kFunctionGetInfo) {
            AnswerGetInfo(buffer);
        }
        SetReturnCode(buffer, 0);
    }
    return {true, static_cast<std::uint32_t>(buffer.size()), 0};
}

platform::OpenResult NullDeviceIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                        win::Dword shareMode, win::Dword flagsAndAttributes) {
    (void)path;
    (void)desiredAccess;
    (void)shareMode;
    (void)flagsAndAttributes;
    ++m_open;
    return {platform::DeviceHandle(this, m_nextId++), 0};
}

platform::ControlResult NullDeviceIo::Control(const platform::DeviceHandle& handle,
                                              win::Dword controlCode,
                                              std::span<std::uint8_t> buffer,
                                              std::uint32_t inputLength) {
    if (!handle.Valid()) {
        return {false, 0, win::kErrorInvalidHandle};
    }
    return m_endpoint->Control(controlCode, buffer, inputLength);
}

void NullDeviceIo::CloseDevice(std::uint64_t id) {
    (void)id;
    --m_open;
}

platform::ControlResult DownloadSinkEndpoint::Control(win::Dword controlCode,
                                                      std::span<std::uint8_t> buffer,
                                                      std::uint32_t inputLength) {
    if (controlCode == win::kIoctlScsiMiniport) {
        const std::string_view signature = Signature(buffer);
        std::uint32_t function = 0;
        if (signature == "FIRMWARE") {
            function = FunctionAt(buffer, kFirmwareFunction);
        } else if (signature == "IntelFw ") {
            function = FunctionAt(buffer, kIntelFwFunction);
        }
        if (function == kFunctionDownload || function == kFunctionActivate) {
            ++(function == kFunctionDownload ? m_downloads : m_activations);
            SetReturnCode(buffer, 0);
            return {true, static_cast<std::uint32_t>(buffer.size()), 0};
        }
    }
    return m_driver->Control(controlCode, buffer, inputLength);
}

}  // namespace sim
