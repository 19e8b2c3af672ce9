#include "platform/win32/win32_device_io.h"

#include <windows.h>

#include <limits>
#include <string>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

HANDLE ToHandle(std::uint64_t id) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(id));
}

}  // namespace

platform::OpenResult Win32DeviceIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                         win::Dword shareMode, win::Dword flagsAndAttributes) {
    platform::OpenResult result;
    const std::wstring widePath = ToWide(path);
    HANDLE handle = CreateFileW(widePath.c_str(), desiredAccess, shareMode, nullptr, OPEN_EXISTING,
                                flagsAndAttributes, nullptr);
    // Both INVALID_HANDLE_VALUE and null mean no handle.
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        result.Error = GetLastError();
        if (result.Error == ERROR_SUCCESS) {
            result.Error = ERROR_INVALID_HANDLE;
        }
        return result;
    }
    result.Handle = platform::DeviceHandle({this, reinterpret_cast<std::uintptr_t>(handle)});
    return result;
}

platform::ControlResult Win32DeviceIo::Control(const platform::DeviceHandle& handle,
                                               win::Dword controlCode,
                                               std::span<std::uint8_t> buffer,
                                               std::uint32_t inputLength) {
    platform::ControlResult result;
    if (!handle.Valid()) {
        result.Error = ERROR_INVALID_HANDLE;
        return result;
    }
    // DeviceIoControl takes DWORD lengths; input is a prefix of the one buffer.
    if (buffer.size() > std::numeric_limits<DWORD>::max() || inputLength > buffer.size()) {
        result.Error = ERROR_INVALID_PARAMETER;
        return result;
    }
    void* data = buffer.empty() ? nullptr : buffer.data();
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(ToHandle(handle.Get().Id), controlCode, inputLength != 0 ? data : nullptr,
                        inputLength, data, static_cast<DWORD>(buffer.size()), &returned, nullptr);
    result.Ok = ok != FALSE;
    result.BytesReturned = returned;
    if (!result.Ok) {
        result.Error = GetLastError();
    }
    return result;
}

void Win32DeviceIo::CloseDevice(std::uint64_t id) {
    CloseHandle(ToHandle(id));
}

}  // namespace platform::win32
