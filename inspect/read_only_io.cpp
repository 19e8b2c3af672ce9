#include "inspect/read_only_io.h"

#include <algorithm>
#include <string_view>

#include "inbox/miniport_firmware_layout.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "rst/rst_layout.h"

namespace inspect {

namespace {

std::string_view SignatureOf(std::span<const std::uint8_t> buffer) {
    constexpr std::size_t kAt = rst::layout::kSrbSignature;
    constexpr std::size_t kSize = rst::layout::kSignatureSize;
    if (!platform::FitsIn(buffer.size(), kAt, kSize)) {
        return {};
    }
    return {reinterpret_cast<const char*>(buffer.data() + kAt), kSize};
}

std::uint32_t U32At(std::span<const std::uint8_t> buffer, std::size_t offset) {
    return platform::FitsIn(buffer.size(), offset, 4) ? platform::GetU32(buffer, offset) : 0;
}

}  // namespace

bool IsReadOnlyRequest(win::Dword controlCode, std::span<const std::uint8_t> buffer,
                       std::uint32_t inputLength) {
    const std::span<const std::uint8_t> input =
        buffer.first(std::min<std::size_t>(buffer.size(), inputLength));
    switch (controlCode) {
        case win::kIoctlStorageGetDeviceNumber:
        case win::kIoctlStorageQueryProperty:
            return true;
        case win::kIoctlScsiMiniport:
            break;
        default:
            return false;
    }
    const std::string_view signature = SignatureOf(input);
    const std::uint32_t control = U32At(input, rst::layout::kSrbControlCode);
    if (signature == inbox::miniport::kSignature) {
        return control == win::kIoctlScsiMiniportFirmware &&
               U32At(input, inbox::miniport::kFunctionOffset) == inbox::miniport::kFunctionGetInfo;
    }
    if (signature == rst::layout::kCsmiSignature) {
        return control == rst::layout::kCsmiGetRaidConfig;
    }
    if (signature == rst::layout::kNvmSignature) {
        return control == rst::layout::kNvmPassThrough &&
               platform::FitsIn(input.size(), rst::layout::kNvmCdw0, 1) &&
               input[rst::layout::kNvmCdw0] == rst::layout::kNvmIdentifyCdw0;
    }
    return false;
}

platform::OpenResult ReadOnlyDeviceIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                            win::Dword shareMode, win::Dword flagsAndAttributes) {
    platform::OpenResult opened = m_inner.Open(path, desiredAccess, shareMode, flagsAndAttributes);
    if (opened.handle.Valid()) {
        m_paths[opened.handle.Id()] = std::u16string(path);
    }
    return opened;
}

platform::ControlResult ReadOnlyDeviceIo::Control(const platform::DeviceHandle& handle,
                                                  win::Dword controlCode,
                                                  std::span<std::uint8_t> buffer,
                                                  std::uint32_t inputLength) {
    if (!IsReadOnlyRequest(controlCode, buffer, inputLength)) {
        ++m_refused;
        return {false, 0, win::kErrorAccessDenied};
    }
    const platform::ControlResult result =
        m_inner.Control(handle, controlCode, buffer, inputLength);
    if (result.ok) {
        Remember(handle, controlCode, buffer);
    }
    return result;
}

void ReadOnlyDeviceIo::Remember(const platform::DeviceHandle& handle, win::Dword controlCode,
                                std::span<const std::uint8_t> buffer) {
    const auto path = m_paths.find(handle.Id());
    if (path == m_paths.end()) {
        return;
    }
    if (controlCode == win::kIoctlStorageQueryProperty &&
        platform::FitsIn(buffer.size(), inbox::query::kIdentifyDataOffset,
                         inbox::query::kIdentifyDataSize)) {
        const auto data =
            buffer.subspan(inbox::query::kIdentifyDataOffset, inbox::query::kIdentifyDataSize);
        m_identify[{path->second, -1}] = IdentifyData(data.begin(), data.end());
    } else if (SignatureOf(buffer) == rst::layout::kNvmSignature &&
               platform::FitsIn(buffer.size(), rst::layout::kNvmData, rst::layout::kNvmDataSize)) {
        const auto data = buffer.subspan(rst::layout::kNvmData, rst::layout::kNvmDataSize);
        m_identify[{path->second, buffer[rst::layout::kAddressPathId]}] =
            IdentifyData(data.begin(), data.end());
    }
}

const IdentifyData* ReadOnlyDeviceIo::IdentifyOf(const std::u16string& path, int pathId) const {
    const auto it = m_identify.find({path, pathId});
    return it == m_identify.end() ? nullptr : &it->second;
}

}  // namespace inspect
