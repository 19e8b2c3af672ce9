// The inspector: its whole outputs on a few machines, its options, its capture file, and that no
// request that changes a drive ever leaves it, on every scenario machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "inbox/inbox_identify.h"
#include "inspect/inspect_program.h"
#include "inspect/json_text.h"
#include "inspect/machine_inspection.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "sim/fixed_machine_identity.h"
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

// The machine is named as fwinspect names it: by its scenario, "default" for the built-in one.
Inspected Inspect(sim::SimMachine& machine, const std::vector<std::string>& args,
                  fakes::FakeNewFiles& files, const std::string& name = "default") {
    std::vector<std::u16string> wide;
    for (const std::string& arg : args) {
        wide.push_back(platform::DecodeUtf8(arg));
    }
    Inspected result;
    sim::FixedMachineIdentity identity(platform::DecodeUtf8(name));
    result.code = inspect::RunInspector("fwinspect", wide, machine.Platform(), files, identity);
    result.output = machine.Console().Transcript();
    result.capture = files.kept.value_or("");
    return result;
}

Inspected Inspect(sim::SimMachine& machine, const std::vector<std::string>& args,
                  const std::string& name = "default") {
    fakes::FakeNewFiles files;
    return Inspect(machine, args, files, name);
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
        {"rst_raid_sets_unsaid", {}, "rst_raid_sets_unsaid.txt"},
        {"rst_raid_set_without_volume", {"--json"}, "rst_raid_set_without_volume.json"},
        {"rst_vmd", {}, "rst_vmd.txt"},
        {"rst_vmd", {"--json"}, "rst_vmd.json"},
    };
    for (const Case& c : cases) {
        sim::LoadResult loaded =
            *c.scenario == '\0'
                ? sim::LoadDefaultScenario()
                : sim::LoadScenarioFile((kTree / "sim" / "scenarios" / c.scenario).string() +
                                        ".json");
        ASSERT_TRUE(loaded.machine) << loaded.error;
        const Inspected run =
            Inspect(*loaded.machine, c.args, *c.scenario == '\0' ? "default" : c.scenario);
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

// The inspector foresees the updater's exit code on every scenario machine whose drives and
// drivers accept each download and activation they are sent: both read the one journal and the
// one accounting. Runs the inspector cannot foresee are left out: a refused piece or activation,
// an argument, a held run lock or a low battery. On every machine, the drives it finds holding
// an image the last reset did not activate are, slot for slot, those the run tells to shut down.
TEST(Inspector, ForeseesTheUpdatersExitCode) {
    std::size_t compared = 0;
    for (const auto& entry : fs::directory_iterator(kTree / "sim" / "scenarios")) {
        if (entry.path().extension() != ".json") {
            continue;
        }
        const std::string name = entry.path().stem().string();
        sim::LoadResult inspected = sim::LoadScenarioFile(entry.path().string());
        sim::LoadResult updated = sim::LoadScenarioFile(entry.path().string());
        ASSERT_TRUE(inspected.machine && updated.machine) << name;
        const sim::RunOutcome run = sim::RunScenario(*updated.machine);
        bool refused = run.exitCode == 1618 || updated.machine->Argc() > 1;
        std::vector<std::uint8_t> toldToShutDown;
        for (const app::JournalEntry& journal : run.record.Journal) {
            for (const app::DiskIdentification& disk : journal.Disks) {
                refused = refused || (disk.Update &&
                                      (disk.Update->Stop.Stage == model::StopStage::Download ||
                                       disk.Update->Stop.Stage == model::StopStage::Activation));
                if (disk.Update && disk.Update->UnactivatedImageSlot) {
                    toldToShutDown.push_back(*disk.Update->UnactivatedImageSlot);
                }
            }
        }
        const inspect::Inspection inspection = inspect::Inspect(inspected.machine->Platform());
        std::vector<std::uint8_t> foreseen;
        for (const inspect::InspectedDevice& device : inspection.Devices) {
            if (device.Decision == inspect::DecisionKind::ImageNotActivated) {
                foreseen.push_back(device.ImageSlot);
            }
        }
        if (run.exitCode != 1618 && updated.machine->Argc() <= 1) {
            EXPECT_EQ(foreseen, toldToShutDown) << name;
        }
        if (refused) {
            continue;
        }
        EXPECT_EQ(inspection.ExpectedExitCode, run.exitCode) << name;
        ++compared;
    }
    EXPECT_GT(compared, 40u);
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

}  // namespace

namespace {

// A drive's bytes above 0x7F, read widened with their sign, go to the JSON as the byte's value.
TEST(InspectJson, DriveTextBytesAboveAsciiKeepTheirValue) {
    const std::uint8_t bytes[] = {'S', 0xE9, 0x80, 0xFF};
    EXPECT_EQ(inspect::json::Dump(inspect::json::DriveText(platform::WidenSigned(bytes))),
              "\"S\\u00e9\\u0080\\u00ff\"\n");
}

}  // namespace
