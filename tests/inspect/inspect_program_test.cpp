// The inspector: its whole outputs on a few machines, its options, and that no request that
// changes a drive ever leaves it, on every scenario machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image/piece_plan.h"
#include "inbox/inbox_identify.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "inbox/property_query_layout.h"
#include "inspect/inspect_program.h"
#include "inspect/read_only_io.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
#include "platform/text.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"
#include "tests/fakes/fake_new_files.h"
#include "tests/fakes/fake_platform.h"

namespace {

namespace fs = std::filesystem;

const fs::path kTree = fs::path(__FILE__).parent_path().parent_path().parent_path();

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Inspected {
    int code = 0;
    std::string output;
    std::string capture;
};

Inspected Inspect(sim::SimMachine& machine, const std::vector<std::string>& args,
                  fakes::FakeNewFiles& files) {
    std::vector<std::u16string> wide;
    for (const std::string& arg : args) {
        wide.push_back(platform::DecodeUtf8(arg));
    }
    Inspected result;
    result.code = inspect::RunInspector("fwinspect", wide, machine.Platform(), files);
    result.output = machine.Console().Transcript();
    result.capture = files.kept.value_or("");
    return result;
}

Inspected Inspect(sim::SimMachine& machine, const std::vector<std::string>& args) {
    fakes::FakeNewFiles files;
    return Inspect(machine, args, files);
}

TEST(Inspector, WholeOutputs) {
    struct Case {
        const char* scenario;  // empty: the default machine
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {"", {}, "default.txt"},
        {"", {"--json"}, "default.json"},
        {"reliability_access_denied", {}, "reliability_access_denied.txt"},
        {"inbox_driver_answers", {"--json"}, "inbox_driver_answers.json"},
        {"rst_matrix_raid", {}, "rst_matrix_raid.txt"},
        {"rst_other_intel_disks", {}, "rst_other_intel_disks.txt"},
        {"inbox_rerun_before_reboot", {}, "inbox_rerun_before_reboot.txt"},
        {"inbox_rerun_before_reboot", {"--json"}, "inbox_rerun_before_reboot.json"},
        {"rst_rerun_before_reboot", {"--json"}, "rst_rerun_before_reboot.json"},
        {"address_two_disks_without_bus_number", {}, "address_two_disks_without_bus_number.txt"},
        {"rst_two_controllers", {}, "rst_two_controllers.txt"},
        {"left_behind_raid_query_beside_inbox",
         {"--json"},
         "left_behind_raid_query_beside_inbox.json"},
    };
    for (const Case& c : cases) {
        sim::LoadResult loaded =
            *c.scenario == '\0'
                ? sim::LoadDefaultScenario()
                : sim::LoadScenarioFile((kTree / "sim" / "scenarios" / c.scenario).string() +
                                        ".json");
        ASSERT_TRUE(loaded.machine) << loaded.error;
        const Inspected run = Inspect(*loaded.machine, c.args);
        EXPECT_EQ(run.code, 0) << c.expected;
        EXPECT_EQ(run.output, ReadFile(kTree / "tests" / "inspect" / "expected" / c.expected))
            << c.expected;
    }
}

TEST(Inspector, BadOptionsAreRefusedBeforeAnyDeviceIsTouched) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--force"}, {"--capture"}, {"--json", "--json"}, {"x"}}) {
        sim::LoadResult loaded = sim::LoadDefaultScenario();
        const Inspected run = Inspect(*loaded.machine, args);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.output.starts_with("Usage: fwinspect [--json] [--capture FILE]\n"));
        EXPECT_TRUE(loaded.machine->CallLog().empty());
    }
}

// The capture's file is made before anything is inspected: when it cannot be, nothing is; when
// its text cannot be written whole, the file is not kept.
TEST(Inspector, CaptureFileIsMadeFirstAndKeptOnlyWhole) {
    using Status = platform::NewFileStatus;
    struct Case {
        Status status;
        std::uint32_t error;
        bool writeFails;
        const char* path;
        const char* lastLine;  // after the report, when the file was made
    };
    const Case cases[] = {
        {Status::AlreadyExists, 80, false, "C:\\Captures\\машина.json",
         "[ERROR] The capture file already exists: C:\\Captures\\машина.json"},
        {Status::ElsewhereThanAsked, 0, false, "m.json",
         "[ERROR] A link in the capture file's path leads elsewhere: m.json"},
        {Status::Failed, 3, false, "X:\\none\\m.json",
         "[ERROR] The capture file could not be created (0x3): X:\\none\\m.json"},
        {Status::Created, 0, true, "m.json", "[ERROR] Could not write the capture to m.json"},
        {Status::Created, 0, false, "m.json",
         "The machine was captured to m.json; rehearse the update with: fwsim m.json"},
    };
    for (const Case& c : cases) {
        sim::LoadResult loaded = sim::LoadDefaultScenario();
        fakes::FakeNewFiles files;
        files.status = c.status;
        files.error = c.error;
        files.writeFails = c.writeFails;
        const Inspected run = Inspect(*loaded.machine, {"--capture", c.path}, files);
        const bool captured = c.status == Status::Created && !c.writeFails;
        EXPECT_EQ(run.code, captured ? 0 : 1) << c.lastLine;
        const std::string line = std::string(c.lastLine) + "\n";
        const std::string report =
            ReadFile(kTree / "tests" / "inspect" / "expected" / "default.txt");
        EXPECT_EQ(run.output, c.status == Status::Created ? report + line : line);
        EXPECT_EQ(loaded.machine->CallLog().empty(), c.status != Status::Created) << c.lastLine;
        EXPECT_EQ(files.kept.has_value(), captured) << c.lastLine;
    }
}

// Every scenario machine, inspected and captured: nothing that downloads, activates or reaches
// the RST firmware interface is sent, nothing is refused (the inspector never asks), nothing is
// left open.
TEST(Inspector, NoRequestThatChangesADriveLeavesIt) {
    std::size_t machines = 0;
    for (const auto& entry : fs::directory_iterator(kTree / "sim" / "scenarios")) {
        if (entry.path().extension() != ".json") {
            continue;
        }
        sim::LoadResult loaded = sim::LoadScenarioFile(entry.path().string());
        ASSERT_TRUE(loaded.machine) << loaded.error;
        const Inspected run = Inspect(*loaded.machine, {"--capture", "machine.json"});
        const std::string name = entry.path().stem().string();
        EXPECT_EQ(run.code, 0) << name;
        for (const sim::CallRecord& record : loaded.machine->CallLog()) {
            const bool firmwareChange =
                (record.call.signature == "FIRMWARE" && record.call.function != 1) ||
                record.call.signature == "IntelFw ";
            EXPECT_FALSE(firmwareChange) << name << ": call " << record.call.number;
        }
        EXPECT_EQ(run.output.find("requests refused"), std::string::npos) << name;
        for (const auto& drive : loaded.machine->Drives()) {
            EXPECT_EQ(drive->CountRequests(sim::DriveRequest::Kind::Download), 0u) << name;
            EXPECT_EQ(drive->CountRequests(sim::DriveRequest::Kind::Commit), 0u) << name;
        }
        EXPECT_EQ(loaded.machine->OpenHandleCount(), 0u) << name;
        EXPECT_EQ(loaded.machine->OpenListCount(), 0u) << name;
        ++machines;
    }
    EXPECT_GT(machines, 40u);
}

// Where the get-info answer already decides the update, the inspector says why with the
// updater's own reading of it, and expects the exit code the updater ends with.
TEST(Inspector, GetInfoObstaclesAreTheUpdatersOwn) {
    struct Case {
        const char* scenario;
        const char* reason;
    };
    const Case cases[] = {
        {"inbox_no_upgrade_support",
         "but would fail: the driver reports no firmware upgrade support"},
        {"inbox_readonly_slots", "but would fail: no writable firmware slot"},
        {"sim_inbox_malformed_getinfo",
         "but would fail: the get-info answer reaches past its buffer"},
        {"inbox_driver_answers", "but would fail: the get-info answer is of structure version 2"},
    };
    for (const Case& c : cases) {
        const std::string file = (kTree / "sim" / "scenarios" / c.scenario).string() + ".json";
        sim::LoadResult inspected = sim::LoadScenarioFile(file);
        sim::LoadResult updated = sim::LoadScenarioFile(file);
        ASSERT_TRUE(inspected.machine && updated.machine) << c.scenario;
        const Inspected run = Inspect(*inspected.machine, {});
        EXPECT_NE(run.output.find(c.reason), std::string::npos) << c.scenario;
        const int updaterCode = sim::RunScenario(*updated.machine).exitCode;
        EXPECT_NE(run.output.find("would end with exit code " + std::to_string(updaterCode) + "."),
                  std::string::npos)
            << c.scenario;
    }
}

// A slot revision is the drive's own bytes: the report shows what is not printable ASCII as '?',
// as it does for every other text a drive or driver gives.
TEST(Inspector, SlotRevisionBytesArePrintedSafely) {
    sim::LoadResult loaded = sim::LoadScenario(R"({
      "drives": [{ "name": "d0", "serial": "7A3C22F40012", "model": "VELKORA TRVX208K 1TB",
                   "revision": "XQ71DMRB", "frmw": "0x06",
                   "slots": ["XQ71DMRB", "XQ\u00e9\u0001DMR", ""] }],
      "inbox": [{ "drive": "d0", "deviceNumber": 1,
                  "parentId": "PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2B6C5F3&0&00E8" }]
    })");
    ASSERT_TRUE(loaded.machine) << loaded.error;
    const Inspected run = Inspect(*loaded.machine, {});
    EXPECT_NE(run.output.find("2 \"XQ???DMR\""), std::string::npos) << run.output;
}

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
