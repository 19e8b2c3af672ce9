// The inspector: its whole outputs on a few machines, its options, and that no request that
// changes a drive ever leaves it, on every scenario machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "platform/miniport_layout.h"
#include "review/read_only_io.h"
#include "review/review_program.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

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

Inspected Inspect(sim::SimMachine& machine, const std::vector<std::string>& args) {
    Inspected result;
    result.code = inspect::RunInspector("fwinspect", args, machine.Platform(),
                                        [&](const std::string&, const std::string& text) {
                                            result.capture = text;
                                            return true;
                                        });
    result.output = machine.Console().Transcript();
    return result;
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
        EXPECT_EQ(run.output, ReadFile(kTree / "tests" / "review" / "expected" / c.expected))
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

// The guard itself, on the requests the updater builds: only the reading ones pass.
TEST(Inspector, GuardPassesOnlyReadingRequests) {
    std::vector<std::uint8_t> miniport(inbox::MiniportBufferSize(4096));
    inbox::BuildFirmwareRequest(miniport, platform::miniport::kFirmwareFunctionGetInfo);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport, miniport.size()));
    // The get-info request with no input says nothing the guard can check: refused.
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport, 0));
    const std::vector<std::uint8_t> piece(4096, 0xA5);
    inbox::BuildDownloadRequest(miniport, 0, piece);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport, miniport.size()));
    inbox::BuildActivateRequest(miniport, 2);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, miniport, miniport.size()));

    std::vector<std::uint8_t> csmi(rst::layout::kCsmiRequestSize);
    rst::FillCsmiRaidConfigRequest(csmi, 1);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, csmi, csmi.size()));
    std::vector<std::uint8_t> identify(rst::layout::kNvmRequestSize);
    rst::FillIdentifyPassThrough(identify, 2);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, identify, identify.size()));
    // Firmware Image Download through the pass-through.
    identify[rst::layout::kNvmCdw0Offset] = 0x11;
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, identify, identify.size()));
    std::vector<std::uint8_t> download(rst::layout::kFwDownloadOverheadSize + piece.size());
    rst::FillDownloadRequest(download, 2, 0, piece);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, download, download.size()));
    std::vector<std::uint8_t> activate(rst::layout::kFwActivateRequestSize);
    rst::FillActivationRequest(activate, 2);
    EXPECT_FALSE(inspect::IsReadOnlyRequest(win::kIoctlScsiMiniport, activate, activate.size()));

    std::vector<std::uint8_t> any(64);
    EXPECT_TRUE(inspect::IsReadOnlyRequest(win::kIoctlStorageGetDeviceNumber, any, 0));
    EXPECT_FALSE(inspect::IsReadOnlyRequest(0x0007C088, any, 0));  // another storage IOCTL
}

}  // namespace
