// The read-only guard: the requests the updater and the inspector build pass only as their
// builders make them; every request that could change a drive, and every other shape, is
// refused before it reaches the device.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "image/piece_plan.h"
#include "inbox/inbox_identify.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "inbox/property_query_layout.h"
#include "inspect/read_only_io.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"
#include "tests/fakes/fake_platform.h"

namespace {

// The guard itself, on the requests the updater builds: only the reading ones pass.
TEST(Inspector, GuardPassesOnlyReadingRequests) {
    std::vector<std::uint8_t> miniport(inbox::MiniportBufferSize(4096));
    inbox::BuildFirmwareRequest(miniport, platform::miniport::kFirmwareFunctionGetInfo);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport,
                                           static_cast<std::uint32_t>(miniport.size())));
    // The get-info request with no input says nothing the guard can check: refused.
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport, 0));
    const std::vector<std::uint8_t> piece(4096, 0xA5);
    inbox::BuildDownloadRequest(miniport, 0, piece);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport,
                                            static_cast<std::uint32_t>(miniport.size())));
    inbox::BuildActivateRequest(miniport, 2);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport,
                                            static_cast<std::uint32_t>(miniport.size())));

    std::vector<std::uint8_t> csmi(rst::layout::kCsmiRequestSize);
    rst::FillCsmiRaidConfigRequest(csmi, 1);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, csmi,
                                           static_cast<std::uint32_t>(csmi.size())));
    std::vector<std::uint8_t> identify(rst::layout::kNvmRequestSize);
    rst::FillIdentifyPassThrough(identify, 2);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, identify,
                                           static_cast<std::uint32_t>(identify.size())));
    // Firmware Image Download through the pass-through.
    identify[rst::layout::kNvmCdw0Offset] = 0x11;
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, identify,
                                            static_cast<std::uint32_t>(identify.size())));
    std::vector<std::uint8_t> download(rst::layout::kFwDownloadOverheadSize + piece.size());
    rst::FillDownloadRequest(download, 2, 0, piece);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, download,
                                            static_cast<std::uint32_t>(download.size())));
    std::vector<std::uint8_t> activate(rst::layout::kFwActivateRequestSize);
    rst::FillActivationRequest(activate, 2);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, activate,
                                            static_cast<std::uint32_t>(activate.size())));

    std::vector<std::uint8_t> any(64);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlStorageGetDeviceNumber, any, 0));
    EXPECT_FALSE(inspect::IsReadOnlyRequest(0x0007C088, any, 0));  // another storage IOCTL
}

// Every shape the inspector sends reaches the device I/O below the guard; each of them with one
// checked field changed, or cut short, reaches nothing.
TEST(Inspector, GuardRefusesEveryOtherShapeBeforeItReachesTheDevice) {
    enum class Shape { Query, GetInfo, Csmi, NvmIdentify, NvmSlotLog };
    auto build = [](Shape shape) {
        std::vector<std::uint8_t> request;
        switch (shape) {
            case Shape::Query:
                request.assign(inbox::query::kBufferSize, 0);
                inbox::BuildIdentifyQuery(request);
                break;
            case Shape::GetInfo:
                request.resize(inbox::MiniportBufferSize(4096));
                inbox::BuildFirmwareRequest(request, platform::miniport::kFirmwareFunctionGetInfo);
                break;
            case Shape::Csmi:
                request.resize(rst::layout::kCsmiRequestSize);
                rst::FillCsmiRaidConfigRequest(request, 0);
                break;
            case Shape::NvmIdentify:
                request.resize(rst::layout::kNvmRequestSize);
                rst::FillIdentifyPassThrough(request, 2);
                break;
            case Shape::NvmSlotLog:
                request.resize(rst::layout::kNvmRequestSize);
                rst::FillSlotLogPassThrough(request, 2);
                break;
        }
        return request;
    };
    auto code = [](Shape shape) {
        return shape == Shape::Query ? win::kIoctlStorageQueryProperty : win::kIoctlScsiMiniport;
    };
    struct Changed {
        const char* name;
        Shape shape;
        std::size_t offset;
        std::uint32_t value;
        std::size_t width = 4;
        std::optional<std::uint32_t> inputLength = std::nullopt;
    };
    const Changed refused[] = {
        {"device protocol-specific property", Shape::Query, 0, 50},
        {"property exists query", Shape::Query, 4, 1},
        {"ATA protocol", Shape::Query, 8, 2},
        {"NVMe log page (telemetry)", Shape::Query, 12, 2},
        {"Identify Namespace", Shape::Query, 16, 0},
        {"query cut short", Shape::Query, 0, 49, 4, 40},
        {"get-info header length", Shape::GetInfo, 0, 32},
        {"get-info control code", Shape::GetInfo, 16, 0x1B0781},
        {"get-info block version", Shape::GetInfo, 28, 2},
        {"get-info block size", Shape::GetInfo, 32, 32},
        {"download function", Shape::GetInfo, 36, 2},
        {"activate function", Shape::GetInfo, 36, 3},
        {"get-info cut short", Shape::GetInfo, 0, 28, 4, 48},
        {"CSMI header length", Shape::Csmi, 0, 36},
        {"CSMI another control code", Shape::Csmi, 16, 12},
        {"CSMI cut short", Shape::Csmi, 0, 28, 4, 24},
        {"pass-through header length", Shape::NvmIdentify, 0, 36},
        {"pass-through control code", Shape::NvmIdentify, 16, 0xF0000040},
        {"Firmware Image Download", Shape::NvmIdentify, 32, 0x11},
        {"Firmware Commit", Shape::NvmIdentify, 32, 0x10},
        {"Identify with a command identifier", Shape::NvmIdentify, 32, 0x00010006},
        {"Identify Namespace through the pass-through", Shape::NvmIdentify, 72, 0},
        {"Identify as an I/O command", Shape::NvmIdentify, 96, 1, 1},
        {"pass-through cut short", Shape::NvmIdentify, 0, 28, 4, 96},
        {"telemetry log", Shape::NvmSlotLog, 72, 0x007F0007},
        {"SMART log", Shape::NvmSlotLog, 72, 0x007F0002},
        {"slot log with a log-specific field", Shape::NvmSlotLog, 72, 0x007F0103},
        {"slot log retaining events", Shape::NvmSlotLog, 72, 0x007F8003},
        {"Get Log Page as an I/O read", Shape::NvmSlotLog, 96, 1, 1},
        {"Set Features", Shape::NvmSlotLog, 32, 0x09},
    };
    const std::u16string path = u"\\\\.\\PHYSICALDRIVE1";
    for (const Shape shape :
         {Shape::Query, Shape::GetInfo, Shape::Csmi, Shape::NvmIdentify, Shape::NvmSlotLog}) {
        fakes::FakeIo inner;
        inspect::ReadOnlyDeviceIo guard(inner);
        const platform::OpenResult opened = guard.Open(path, 0, 0, 0);
        std::vector<std::uint8_t> request = build(shape);
        EXPECT_TRUE(guard.Control(opened.Handle, code(shape), request).Ok);
        EXPECT_EQ(inner.sent.size(), 1u) << static_cast<int>(shape);
    }
    for (const Changed& c : refused) {
        fakes::FakeIo inner;
        inspect::ReadOnlyDeviceIo guard(inner);
        const platform::OpenResult opened = guard.Open(path, 0, 0, 0);
        std::vector<std::uint8_t> request = build(c.shape);
        if (c.width == 1) {
            platform::PutU8(request, c.offset, static_cast<std::uint8_t>(c.value));
        } else {
            platform::PutU32(request, c.offset, c.value);
        }
        const platform::ControlResult result =
            guard.Control(opened.Handle, code(c.shape), request,
                          c.inputLength.value_or(static_cast<std::uint32_t>(request.size())));
        EXPECT_FALSE(result.Ok) << c.name;
        EXPECT_TRUE(inner.sent.empty()) << c.name;
        EXPECT_EQ(guard.Refused(), 1u) << c.name;
    }
}

// Each request the inspector sends passes only as its builder makes it: any one byte changed,
// except the disk's path identifier or the RAID set index, or one byte more or less, is refused;
// so is a size the inspector never sends.
TEST(Inspector, GuardPassesOnlyTheBuildersBytes) {
    namespace rl = rst::layout;
    using Fill = std::function<void(std::span<std::uint8_t>)>;
    const Fill query = [](std::span<std::uint8_t> b) { inbox::BuildIdentifyQuery(b); };
    const Fill getInfo = [](std::span<std::uint8_t> b) {
        inbox::BuildFirmwareRequest(b, platform::miniport::kFirmwareFunctionGetInfo);
    };
    const Fill csmi = [](std::span<std::uint8_t> b) { rst::FillCsmiRaidConfigRequest(b, 1); };
    const Fill identify = [](std::span<std::uint8_t> b) { rst::FillIdentifyPassThrough(b, 2); };
    const Fill slotLog = [](std::span<std::uint8_t> b) { rst::FillSlotLogPassThrough(b, 2); };
    const std::size_t largestPiece = image::PieceSizeOf(image::kMaxGranularity);
    struct Kind {
        const char* name;
        win::Dword controlCode;
        std::size_t size;
        const Fill& fill;
        bool passes = true;
        bool everyByte = true;  // a large buffer is checked whole and by its size only
        std::size_t varyingOffset = 0;
        std::size_t varyingWidth = 0;
    };
    const win::Dword miniport = win::kIoctlScsiMiniport;
    const Kind kinds[] = {
        {"Identify query", win::kIoctlStorageQueryProperty, inbox::query::kBufferSize, query},
        {"get-info", miniport, inbox::MiniportBufferSize(image::kPieceUnit), getInfo},
        {"get-info of the largest piece", miniport, inbox::MiniportBufferSize(largestPiece),
         getInfo, true, false},
        {"get-info of a larger piece", miniport,
         inbox::MiniportBufferSize(largestPiece + image::kPieceUnit), getInfo, false},
        {"get-info of half a unit", miniport, inbox::MiniportBufferSize(2048), getInfo, false},
        {"CSMI", miniport, rl::kCsmiRequestSize, csmi, true, true, rl::kCsmiRaidSetIndexOffset, 4},
        {"CSMI for 3 members", miniport, rl::CsmiBufferSize(3), csmi, true, true,
         rl::kCsmiRaidSetIndexOffset, 4},
        {"CSMI for 255 members", miniport, rl::CsmiBufferSize(255), csmi, true, false},
        {"CSMI for 1 member", miniport, rl::CsmiBufferSize(1), csmi, false},
        {"CSMI for 256 members", miniport, rl::CsmiBufferSize(256), csmi, false},
        {"pass-through Identify", miniport, rl::kNvmRequestSize, identify, true, true,
         rl::kAddressPathIdOffset, 1},
        {"pass-through slot log", miniport, rl::kNvmRequestSize, slotLog, true, true,
         rl::kAddressPathIdOffset, 1},
    };
    for (const Kind& k : kinds) {
        std::vector<std::uint8_t> request(k.size, 0);
        k.fill(request);
        const auto length = static_cast<std::uint32_t>(request.size());
        EXPECT_EQ(inspect::IsReadOnlyRequest(k.controlCode, request, length), k.passes) << k.name;
        if (!k.passes) {
            continue;
        }
        for (std::size_t i = 0; k.everyByte && i < request.size(); ++i) {
            request[i] ^= 0xFF;
            const bool varying = i >= k.varyingOffset && i < k.varyingOffset + k.varyingWidth;
            EXPECT_EQ(inspect::IsReadOnlyRequest(k.controlCode, request, length), varying)
                << k.name << ", byte " << i;
            request[i] ^= 0xFF;
        }
        EXPECT_FALSE(inspect::IsReadOnlyRequest(k.controlCode, request, length - 1)) << k.name;
        EXPECT_FALSE(inspect::IsReadOnlyRequest(k.controlCode, request, length + 1)) << k.name;
        request.push_back(0);
        EXPECT_FALSE(inspect::IsReadOnlyRequest(k.controlCode, request, length + 1)) << k.name;
        for (const std::size_t size : {k.size - 1, k.size + 1}) {
            std::vector<std::uint8_t> other(size, 0);
            k.fill(other);
            EXPECT_FALSE(
                inspect::IsReadOnlyRequest(k.controlCode, other, static_cast<std::uint32_t>(size)))
                << k.name << ", built at " << size << " bytes";
        }
    }
}

}  // namespace
