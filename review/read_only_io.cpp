#include "review/read_only_io.h"

#include <algorithm>
#include <string_view>

#include "inbox/miniport_firmware_layout.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
#include "rst/rst_layout.h"

namespace inspect {

namespace {

std::string_view SignatureOf(std::span<const std::uint8_t> buffer) {
    constexpr std::size_t kAt = platform::miniport::kSrbSignatureOffset;
    constexpr std::size_t kSize = platform::miniport::kSrbSignatureSize;
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
    const std::uint32_t control = U32At(input, platform::miniport::kSrbControlCodeOffset);
    if (signature == inbox::miniport::kSrbSignatureValue) {
        return control == win::kIoctlScsiMiniportFirmware &&
               U32At(input, inbox::miniport::kRequestBlockOffset +
                                platform::miniport::kFrbFunctionOffset) ==
                   platform::miniport::kFirmwareFunctionGetInfo;
    }
    if (signature == rst::layout::kCsmiSignatureValue) {
        return control == rst::layout::kCsmiControlCodeValue;
    }
    if (signature == rst::layout::kNvmSignatureValue) {
        return control == rst::layout::kNvmControlCodeValue &&
               platform::FitsIn(input.size(), rst::layout::kNvmCdw0Offset, 1) &&
               input[rst::layout::kNvmCdw0Offset] == rst::layout::kNvmCdw0Value;
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
    } else if (SignatureOf(buffer) == rst::layout::kNvmSignatureValue &&
               platform::FitsIn(buffer.size(), rst::layout::kNvmDataAreaOffset,
                                rst::layout::kNvmDataAreaSize)) {
        const auto data =
            buffer.subspan(rst::layout::kNvmDataAreaOffset, rst::layout::kNvmDataAreaSize);
        m_identify[{path->second, buffer[rst::layout::kAddressPathIdOffset]}] =
            IdentifyData(data.begin(), data.end());
    }
}

const IdentifyData* ReadOnlyDeviceIo::IdentifyOf(const std::u16string& path, int pathId) const {
    const auto it = m_identify.find({path, pathId});
    return it == m_identify.end() ? nullptr : &it->second;
}

}  // namespace inspect
