// CreateFileW, DeviceIoControl and CloseHandle behind platform::DeviceIo.
#pragma once

#include "platform/device_io.h"

namespace platform::win32 {

class Win32DeviceIo : public platform::DeviceIo {
public:
    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;
    using platform::DeviceIo::Control;

protected:
    void CloseDevice(std::uint64_t id) override;
};

}  // namespace platform::win32
