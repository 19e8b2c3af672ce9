#include "sim/device_paths.h"

#include <algorithm>

#include "platform/byte_layout.h"
#include "sim/rst_layouts.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

namespace {

constexpr std::size_t kSrbSignatureOffset = layout::kSrbSignature;
constexpr std::size_t kSrbSignatureLength = layout::kSrbSignatureSize;
constexpr std::size_t kSrbReturnCodeOffset = layout::kSrbReturnCode;
// FIRMWARE_REQUEST_BLOCK.Function in "FIRMWARE" and "IntelFw " requests.
constexpr std::size_t kFirmwareFunctionOffset = layout::kInboxFrb + layout::kFrbFunction;
constexpr std::size_t kIntelFwFunctionOffset = layout::kIntelFrb + layout::kFrbFunction;

// CreateFileW access rights the tool may ask for: the generic rights and the specific and
// standard rights of a file object.
constexpr win::Dword kValidAccess = kGenericRights | kFileAllAccess;
constexpr win::Dword kValidShare = kFileShareAll;

std::string SignatureOf(std::span<const std::uint8_t> buffer) {
    if (!platform::FitsIn(buffer.size(), kSrbSignatureOffset, kSrbSignatureLength)) {
        return {};
    }
    return std::string(buffer.begin() + kSrbSignatureOffset,
                       buffer.begin() + kSrbSignatureOffset + kSrbSignatureLength);
}

std::uint32_t FunctionOf(std::span<const std::uint8_t> buffer, const std::string& signature) {
    std::size_t offset = 0;
    if (signature == "FIRMWARE") {
        offset = kFirmwareFunctionOffset;
    } else if (signature == "IntelFw ") {
        offset = kIntelFwFunctionOffset;
    } else if (signature == "IntelNvm") {
        // The NVMe admin opcode of the pass-through's command (CDW0 bits 7:0).
        return platform::FitsIn(buffer.size(), layout::kSqe, 1) ? buffer[layout::kSqe] : 0;
    } else {
        return 0;
    }
    return platform::FitsIn(buffer.size(), offset, 4) ? platform::GetU32(buffer, offset) : 0;
}

}  // namespace

void DevicePaths::AddPath(std::u16string path, std::shared_ptr<SimEndpoint> endpoint) {
    m_paths.emplace_back(std::move(path), std::move(endpoint));
}

std::vector<std::u16string> DevicePaths::OpenHandlePaths() const {
    std::vector<std::u16string> paths;
    for (const auto& [id, handle] : m_handles) {
        paths.push_back(handle.path);
    }
    return paths;
}

platform::OpenResult DevicePaths::Open(std::u16string_view path, win::Dword desiredAccess,
                                       win::Dword shareMode, win::Dword /*flagsAndAttributes*/) {
    platform::OpenResult result = OpenPath(path, desiredAccess, shareMode);
    m_calls.EndCall();
    return result;
}

platform::ControlResult DevicePaths::Control(const platform::DeviceHandle& handle,
                                             win::Dword controlCode, std::span<std::uint8_t> buffer,
                                             std::uint32_t inputLength) {
    platform::ControlResult result = ControlPath(handle, controlCode, buffer, inputLength);
    m_calls.EndCall();
    return result;
}

platform::OpenResult DevicePaths::OpenPath(std::u16string_view path, win::Dword desiredAccess,
                                           win::Dword shareMode) {
    if (const auto action = m_calls.BeginCall(Call(CallKind::Open, std::u16string(path)))) {
        return {{}, action->error};
    }
    if ((desiredAccess & ~kValidAccess) != 0 || (shareMode & ~kValidShare) != 0) {
        return {{}, win::kErrorInvalidParameter};
    }
    const auto refused =
        std::find_if(m_unopenable.begin(), m_unopenable.end(),
                     [&](const auto& entry) { return SamePath(entry.first, path); });
    if (refused != m_unopenable.end()) {
        return {{}, refused->second};
    }
    const auto it = std::find_if(m_paths.begin(), m_paths.end(),
                                 [&](const auto& entry) { return SamePath(entry.first, path); });
    // The interface of a device that is not present no longer opens.
    if (it == m_paths.end() || m_tree.IsInterfaceOfAbsentDevice(path)) {
        return {{}, win::kErrorFileNotFound};
    }
    const std::uint64_t id = m_calls.NewObjectId();
    m_handles.emplace(id, OpenHandle{std::u16string(path), it->second, desiredAccess});
    return {platform::DeviceHandle({this, id}), 0};
}

platform::ControlResult DevicePaths::ControlPath(const platform::DeviceHandle& handle,
                                                 win::Dword controlCode,
                                                 std::span<std::uint8_t> buffer,
                                                 std::uint32_t inputLength) {
    const auto it = m_handles.find(handle.Get().Id);
    CallInfo call = Call(CallKind::Control);
    call.controlCode = controlCode;
    if (it != m_handles.end()) {
        call.target = it->second.path;
    }
    if (controlCode == win::kIoctlScsiMiniport) {
        call.signature = SignatureOf(buffer);
        call.function = FunctionOf(buffer, call.signature);
    }
    const std::optional<FaultAction> action = m_calls.BeginCall(call);
    if (!handle.Valid() || it == m_handles.end()) {
        m_calls.ReportMisuse("DeviceIoControl on a handle that is not open");
        return {false, 0, win::kErrorInvalidHandle};
    }
    if (action && action->fail) {
        return {false, 0, action->error};
    }
    if (action && action->returnCode && !action->deliver) {
        if (!platform::FitsIn(buffer.size(), kSrbReturnCodeOffset, 4)) {
            return {false, 0, win::kErrorInvalidParameter};
        }
        platform::PutU32(buffer, kSrbReturnCodeOffset, *action->returnCode);
        return {true, static_cast<std::uint32_t>(buffer.size()), 0};
    }
    if (inputLength > buffer.size()) {
        return {false, 0, win::kErrorInvalidParameter};
    }
    // The access bits of a control code name the rights the handle must have been opened with.
    const win::Dword required = (controlCode >> kCtlCodeAccessShift) & kCtlCodeAccessMask;
    const win::Dword access = it->second.access;
    if (((required & kFileReadAccess) && !(access & win::kGenericRead)) ||
        ((required & kFileWriteAccess) && !(access & win::kGenericWrite))) {
        return {false, 0, win::kErrorAccessDenied};
    }
    platform::ControlResult result = it->second.endpoint->Control(controlCode, buffer, inputLength);
    if (result.Ok && action && action->returnCode &&
        platform::FitsIn(buffer.size(), kSrbReturnCodeOffset, 4)) {
        platform::PutU32(buffer, kSrbReturnCodeOffset, *action->returnCode);
    }
    return result;
}

void DevicePaths::CloseDevice(std::uint64_t id) {
    if (m_handles.erase(id) == 0) {
        m_calls.ReportMisuse("CloseHandle of a handle that is not open");
    }
}

}  // namespace sim
