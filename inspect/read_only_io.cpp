#include "inspect/read_only_io.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

#include "image/piece_plan.h"
#include "inbox/inbox_identify.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace inspect {

namespace {

namespace mp = platform::miniport;
namespace rl = rst::layout;

std::string_view SignatureOf(std::span<const std::uint8_t> buffer) {
    constexpr std::size_t kAt = mp::kSrbSignatureOffset;
    constexpr std::size_t kSize = mp::kSrbSignatureSize;
    if (!platform::FitsIn(buffer.size(), kAt, kSize)) {
        return {};
    }
    return {reinterpret_cast<const char*>(buffer.data() + kAt), kSize};
}

// Whether the input is, byte for byte, what `fill` writes into a cleared buffer of its size.
template <typename Fill>
bool IsBuiltBy(std::span<const std::uint8_t> input, Fill fill) {
    std::vector<std::uint8_t> built(input.size(), 0);
    fill(std::span<std::uint8_t>(built));
    return std::equal(input.begin(), input.end(), built.begin(), built.end());
}

// The get-info buffer is the one the drive's download would use: a piece of a granularity an
// Identify answer can give.
bool IsGetInfoSize(std::size_t size) {
    for (std::int32_t units = image::kMinGranularity; units <= image::kMaxGranularity; ++units) {
        if (inbox::MiniportBufferSize(image::PieceSizeOf(units)) == size) {
            return true;
        }
    }
    return false;
}

// The first query has room for kCsmiRequestEntryCount members; a set with more (bDriveCount is
// one byte) is asked again with room for all of them.
bool IsCsmiSize(std::size_t size) {
    for (std::size_t entries = rl::kCsmiRequestEntryCount;
         entries <= std::numeric_limits<std::uint8_t>::max(); ++entries) {
        if (rl::CsmiBufferSize(entries) == size) {
            return true;
        }
    }
    return false;
}

bool IsFirmwareGetInfo(std::span<const std::uint8_t> input) {
    return IsGetInfoSize(input.size()) && IsBuiltBy(input, [](std::span<std::uint8_t> built) {
               inbox::BuildFirmwareRequest(built, mp::kFirmwareFunctionGetInfo);
           });
}

bool IsCsmiRaidConfig(std::span<const std::uint8_t> input) {
    if (!IsCsmiSize(input.size())) {
        return false;
    }
    const std::uint32_t raidSetIndex = platform::GetU32(input, rl::kCsmiRaidSetIndexOffset);
    return IsBuiltBy(input, [raidSetIndex](std::span<std::uint8_t> built) {
        rst::FillCsmiRaidConfigRequest(built, raidSetIndex);
    });
}

// Identify Controller or the firmware slot log, for the disk the request addresses.
bool IsReadingPassThrough(std::span<const std::uint8_t> input) {
    if (input.size() != rl::kNvmRequestSize) {
        return false;
    }
    const std::uint8_t pathId = platform::GetU8(input, rl::kAddressPathIdOffset);
    return IsBuiltBy(input,
                     [pathId](std::span<std::uint8_t> built) {
                         rst::FillIdentifyPassThrough(built, pathId);
                     }) ||
           IsBuiltBy(input, [pathId](std::span<std::uint8_t> built) {
               rst::FillSlotLogPassThrough(built, pathId);
           });
}

bool IsMiniportReading(std::span<const std::uint8_t> input) {
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

}  // namespace

bool IsReadOnlyRequest(win::Dword controlCode, std::span<const std::uint8_t> buffer,
                       std::uint32_t inputLength) {
    if (controlCode == win::kIoctlStorageGetDeviceNumber) {
        return true;
    }
    // Input the buffer does not hold is not input the guard has seen.
    if (inputLength > buffer.size()) {
        return false;
    }
    const std::span<const std::uint8_t> input = buffer.first(inputLength);
    switch (controlCode) {
        case win::kIoctlStorageQueryProperty:
            return input.size() == inbox::query::kBufferSize &&
                   IsBuiltBy(input, [](std::span<std::uint8_t> built) {
                       inbox::BuildIdentifyQuery(built);
                   });
        case win::kIoctlScsiMiniport:
            return IsMiniportReading(input);
        default:
            return false;
    }
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
