#include "inspect/read_only_io.h"

#include <algorithm>
#include <string_view>

#include "inbox/miniport_firmware_layout.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
#include "rst/rst_layout.h"

namespace inspect {

namespace {

namespace mp = platform::miniport;
namespace query = inbox::query;
namespace rl = rst::layout;

std::string_view SignatureOf(std::span<const std::uint8_t> buffer) {
    constexpr std::size_t kAt = mp::kSrbSignatureOffset;
    constexpr std::size_t kSize = mp::kSrbSignatureSize;
    if (!platform::FitsIn(buffer.size(), kAt, kSize)) {
        return {};
    }
    return {reinterpret_cast<const char*>(buffer.data() + kAt), kSize};
}

// Each check below first makes sure the input holds every field it looks at: a field the
// driver would read past the input is not one the guard has seen.
std::uint32_t U32(std::span<const std::uint8_t> input, std::size_t offset) {
    return platform::GetU32(input, offset);
}

// The NVMe protocol-specific query for Identify Controller. Other protocol data (a log page such
// as telemetry, whose reading makes the drive take a new snapshot) and other properties do not
// pass.
bool IsIdentifyQuery(std::span<const std::uint8_t> input) {
    return platform::FitsIn(input.size(), 0, query::kIdentifyDataOffset) &&
           U32(input, query::kPropertyIdOffset) == query::kStorageAdapterProtocolSpecificProperty &&
           U32(input, query::kQueryTypeOffset) == query::kPropertyStandardQuery &&
           U32(input, query::kProtocolTypeOffset) == query::kProtocolTypeNvme &&
           U32(input, query::kDataTypeOffset) == query::kNvmeDataTypeIdentify &&
           U32(input, query::kRequestValueOffset) == query::kIdentifyCnsController;
}

// The driver finds every field behind SRB_IO_CONTROL by its HeaderLength.
bool HasSrbHeader(std::span<const std::uint8_t> input, std::size_t requestSize,
                  std::uint32_t controlCode) {
    return platform::FitsIn(input.size(), 0, requestSize) &&
           U32(input, mp::kSrbHeaderLengthOffset) == mp::kSrbHeaderLengthValue &&
           U32(input, mp::kSrbControlCodeOffset) == controlCode;
}

bool IsFirmwareGetInfo(std::span<const std::uint8_t> input) {
    constexpr std::size_t kBlock = inbox::miniport::kRequestBlockOffset;
    return HasSrbHeader(input, inbox::miniport::kDataAreaOffset, win::kIoctlScsiMiniportFirmware) &&
           U32(input, kBlock + mp::kFrbVersionOffset) == mp::kFrbVersionValue &&
           U32(input, kBlock + mp::kFrbSizeOffset) == mp::kFrbSizeValue &&
           U32(input, kBlock + mp::kFrbFunctionOffset) == mp::kFirmwareFunctionGetInfo;
}

bool IsCsmiRaidConfig(std::span<const std::uint8_t> input) {
    return HasSrbHeader(input, mp::kSrbIoControlSize, rl::kCsmiControlCodeValue);
}

// An admin command (never the I/O command set) that only reads: Identify Controller, or Get Log
// Page of the firmware slot log without a log-specific field.
bool IsReadingPassThrough(std::span<const std::uint8_t> input) {
    if (!HasSrbHeader(input, rl::kNvmCompletionOffset, rl::kNvmControlCodeValue) ||
        input[rl::kNvmCommandSetOffset] != 0) {
        return false;
    }
    const std::uint32_t cdw0 = U32(input, rl::kNvmCdw0Offset);
    const std::uint32_t cdw10 = U32(input, rl::kNvmCdw10Offset);
    return (cdw0 == rl::kNvmCdw0Value && cdw10 == rl::kNvmCdw10Value) ||
           (cdw0 == rl::kNvmGetLogPageCdw0Value &&
            (cdw10 & rl::kNvmGetLogPageSelectMask) == rl::kFirmwareSlotLogId);
}

}  // namespace

bool IsReadOnlyRequest(win::Dword controlCode, std::span<const std::uint8_t> buffer,
                       std::uint32_t inputLength) {
    const std::span<const std::uint8_t> input =
        buffer.first(std::min<std::size_t>(buffer.size(), inputLength));
    switch (controlCode) {
        case win::kIoctlStorageGetDeviceNumber:
            return true;
        case win::kIoctlStorageQueryProperty:
            return IsIdentifyQuery(input);
        case win::kIoctlScsiMiniport:
            break;
        default:
            return false;
    }
    const std::string_view signature = SignatureOf(input);
    if (signature == inbox::miniport::kSrbSignatureValue) {
        return IsFirmwareGetInfo(input);
    }
    if (signature == rl::kCsmiSignatureValue) {
        return IsCsmiRaidConfig(input);
    }
    if (signature == rl::kNvmSignatureValue) {
        return IsReadingPassThrough(input);
    }
    return false;
}

platform::OpenResult ReadOnlyDeviceIo::Open(std::u16string_view path, win::Dword desiredAccess,
                                            win::Dword shareMode, win::Dword flagsAndAttributes) {
    return m_inner.Open(path, desiredAccess, shareMode, flagsAndAttributes);
}

platform::ControlResult ReadOnlyDeviceIo::Control(const platform::DeviceHandle& handle,
                                                  win::Dword controlCode,
                                                  std::span<std::uint8_t> buffer,
                                                  std::uint32_t inputLength) {
    if (!IsReadOnlyRequest(controlCode, buffer, inputLength)) {
        ++m_refused;
        return {false, 0, win::kErrorAccessDenied};
    }
    return m_inner.Control(handle, controlCode, buffer, inputLength);
}

}  // namespace inspect
