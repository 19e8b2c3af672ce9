// Device I/O (CreateFileW, DeviceIoControl, CloseHandle, GetLastError) as the logic uses it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/scoped_handle.h"
#include "platform/windows_values.h"

namespace platform {

class DeviceIo;

// CloseHandle of an open device handle.
struct DeviceHandleTraits : IssuedIdTraits<DeviceIo> {
    static void Release(Value handle);
};

// An open device handle; move-only, closed by its destructor on every path.
using DeviceHandle = ScopedHandle<DeviceHandleTraits>;

struct [[nodiscard]] OpenResult {
    DeviceHandle Handle;   // valid on success
    win::Dword Error = 0;  // GetLastError() when the open failed
};

struct [[nodiscard]] ControlResult {
    bool Ok = false;  // what DeviceIoControl returned
    std::uint32_t BytesReturned = 0;
    win::Dword Error = 0;  // GetLastError() when it returned false
};

class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    // CreateFileW(path, access, share, no security attributes, OPEN_EXISTING, flags, no template).
    virtual OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                            win::Dword shareMode, win::Dword flagsAndAttributes) = 0;

    // DeviceIoControl without an overlapped structure. The same buffer is the input (its first
    // inputLength bytes; 0 sends no input) and the output (all of it).
    virtual ControlResult Control(const DeviceHandle& handle, win::Dword controlCode,
                                  std::span<std::uint8_t> buffer, std::uint32_t inputLength) = 0;

    // The same with the whole buffer as input.
    ControlResult Control(const DeviceHandle& handle, win::Dword controlCode,
                          std::span<std::uint8_t> buffer) {
        return Control(handle, controlCode, buffer, static_cast<std::uint32_t>(buffer.size()));
    }

protected:
    friend struct DeviceHandleTraits;
    // CloseHandle.
    virtual void CloseDevice(std::uint64_t id) = 0;
};

inline void DeviceHandleTraits::Release(Value handle) {
    handle.Issuer->CloseDevice(handle.Id);
}

}  // namespace platform
