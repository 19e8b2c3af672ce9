// The inspector's device I/O: it passes to Windows only the requests the inspector sends, each
// of which reads — the device number, the NVMe Identify Controller property query, the
// miniport's firmware get-info, the CSMI RAID configuration, and the RST pass-through's Identify
// Controller and firmware slot log — and refuses every other device control (any download or
// activation, any other log page or property, any "IntelFw " request) without sending it. A
// request passes only as the tool's own builder makes it, byte for byte and at a size the
// inspector sends; the path identifier and the RAID set index are the request's own. So the
// inspector is read-only by construction, whatever its code above asks for.
#pragma once

#include <cstdint>

#include "platform/device_io.h"

namespace inspect {

class ReadOnlyDeviceIo final : public platform::DeviceIo {
public:
    explicit ReadOnlyDeviceIo(platform::DeviceIo& inner) : m_inner(inner) {}

    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

    // Requests refused because they would have changed something.
    std::size_t Refused() const { return m_refused; }

protected:
    // Handles are the inner device I/O's own, and it closes them.
    void CloseDevice(std::uint64_t) override {}

private:
    platform::DeviceIo& m_inner;
    std::size_t m_refused = 0;
};

// Whether a device control request only reads (the allow-list above).
bool IsReadOnlyRequest(win::Dword controlCode, std::span<const std::uint8_t> buffer,
                       std::uint32_t inputLength);

}  // namespace inspect
