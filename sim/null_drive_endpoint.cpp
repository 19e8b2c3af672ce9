#include "sim/null_drive_endpoint.h"

#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/byte_layout.h"
#include "sim/windows_layouts.h"

namespace sim {

namespace {

using namespace layout;

constexpr std::size_t kFirmwareFunction = kInboxFrb + kFrbFunction;
constexpr std::size_t kFirmwareDataBufferOffset = kInboxFrb + kFrbDataBufferOffset;
constexpr std::size_t kIntelFwFunction = kIntelFrb + kFrbFunction;
constexpr std::uint32_t kFunctionGetInfo = kFirmwareFunctionGetInfo;
constexpr std::uint32_t kFunctionDownload = kFirmwareFunctionDownload;
constexpr std::uint32_t kFunctionActivate = kFirmwareFunctionActivate;

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
    platform::PutU32(buffer, info + kInfoVersion, kInfoStructureVersion);
    platform::PutU32(buffer, info + kInfoSize, kInfoStructureSize);
    platform::PutU8(buffer, info + kInfoUpgradeSupport, 1);
    platform::PutU8(buffer, info + kInfoSlotCount, 1);
    platform::PutU8(buffer, info + kInfoActiveSlot, 1);
    platform::PutU8(buffer, info + kInfoSlots + kSlotNumber, 1);
    platform::PutU8(buffer, info + kInfoSlots + kSlotReadOnly, 0);
}

// Success with every byte returned. GCC (SysV) builds a ControlResult literal with a byte store
// and a 4-byte store and returns it through one 8-byte load, which cannot be forwarded from them:
// that load waits until the piece just copied into the buffer has left the store buffer, a
// wait of the null driver's making that the bench would charge to the tool. Built as one 8-byte
// value, the result stays in registers.
platform::ControlResult Accepted(std::size_t bytes) {
    static_assert(offsetof(platform::ControlResult, Ok) == 0 &&
                  offsetof(platform::ControlResult, BytesReturned) == 4 && sizeof(bool) == 1);
    const std::uint64_t head = (static_cast<std::uint64_t>(bytes) << 32) | 1u;
    platform::ControlResult result;
    std::memcpy(static_cast<void*>(&result), &head, sizeof head);
    result.Error = 0;
    return result;
}

}  // namespace

platform::ControlResult NullDriveEndpoint::Control(win::Dword controlCode,
                                                   std::span<std::uint8_t> buffer,
                                                   std::uint32_t inputLength) {
    (void)inputLength;
    ++m_calls;
    if (controlCode == win::kIoctlScsiMiniport) {
        if (Signature(buffer) == "FIRMWARE" &&
            FunctionAt(buffer, kFirmwareFunction) == kFunctionGetInfo) {
            AnswerGetInfo(buffer);
        }
        SetReturnCode(buffer, 0);
    }
    return Accepted(buffer.size());
}

platform::OpenResult NullDeviceIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                        win::Dword shareMode, win::Dword flagsAndAttributes) {
    (void)path;
    (void)desiredAccess;
    (void)shareMode;
    (void)flagsAndAttributes;
    ++m_open;
    return {platform::DeviceHandle({this, m_nextId++}), 0};
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
            SetReturnCode(buffer, 0);
            return {true, static_cast<std::uint32_t>(buffer.size()), 0};
        }
    }
    return m_driver->Control(controlCode, buffer, inputLength);
}

}  // namespace sim
