// The capture of a simulated machine, loaded as a scenario, must make the tool run exactly as
// on the machine it was taken from, and taking it must send nothing but read-only requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/run_tool.h"
#include "inspect/inspect_program.h"
#include "model/stop_point.h"
#include "platform/windows_values.h"
#include "sim/fixed_machine_identity.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"
#include "tests/fakes/fake_new_files.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// gtest discovery lists the tests without ctest's environment: the tree this file is in.
fs::path ScenarioDir() {
    return (fs::path(__FILE__).parent_path() / ".." / ".." / "sim" / "scenarios")
        .lexically_normal();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Why a scenario's machine is not one a capture can describe, or nothing when it is. Injected
// faults, tool arguments and a run lock held or squatted are not the machine. The drive knobs (a
// refused piece, commit statuses, short last pieces, overlaps), the inbox driver's transfer limit
// and the RST activation ReturnCode show only while a download or an activation runs, which a
// read-only capture never asks for. What it does see round-trips and is not left out: property
// types, get-info and device-number answers, a refused RAID query or slot log, the empty-port
// ReturnCode.
std::optional<std::string> NotCapturable(const json& s) {
    if (s.contains("faults")) {
        return "faults";
    }
    if (s.contains("args")) {
        return "args";
    }
    // Another run holding the run lock, another user its name, or the battery's charge is the
    // moment, not the machine.
    for (const char* moment : {"runLockHeld", "runLockSquatted", "power"}) {
        if (s.contains(moment)) {
            return moment;
        }
    }
    for (const json& d : s.value("drives", json::array())) {
        for (const char* knob : {"rejectPiece", "rejectPieceStatus", "commitStatus",
                                 "acceptShortLastPiece", "detectOverlap"}) {
            if (d.contains(knob)) {
                return knob;
            }
        }
    }
    for (const json& d : s.value("inbox", json::array())) {
        if (d.contains("maxTransfer")) {
            return "maxTransfer";
        }
    }
    const json rst = s.value("rst", json());
    for (const json& c : rst.is_array() ? rst : json::array({rst})) {
        for (const char* knob : {"activationReturnCode"}) {
            if (c.is_object() && c.value("controller", json::object()).contains(knob)) {
                return knob;
            }
        }
    }
    return std::nullopt;
}

struct ScenarioFile {
    std::string name;
    std::optional<std::string> skipped;  // the rule that leaves it out
};

std::vector<ScenarioFile> ScenarioFiles() {
    std::vector<ScenarioFile> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ScenarioDir(), error)) {
        if (entry.path().extension() == ".json") {
            const json s = json::parse(ReadFile(entry.path()), nullptr, false, true);
            files.push_back(
                {entry.path().stem().string(),
                 s.is_discarded() ? std::optional<std::string>("not JSON") : NotCapturable(s)});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const ScenarioFile& a, const ScenarioFile& b) { return a.name < b.name; });
    return files;
}

std::vector<std::string> CapturableScenarios() {
    std::vector<std::string> names;
    for (const ScenarioFile& file : ScenarioFiles()) {
        if (!file.skipped) {
            names.push_back(file.name);
        }
    }
    return names;
}

std::unique_ptr<sim::SimMachine> Load(std::string_view text) {
    sim::LoadResult loaded = sim::LoadScenario(text);
    EXPECT_TRUE(loaded.machine) << loaded.error << "\n" << text;
    return std::move(loaded.machine);
}

// The transcript with the two time stamps blanked: the capture's clock starts when it was
// taken and does not advance.
std::string Masked(const std::string& transcript) {
    std::istringstream lines(transcript);
    std::string masked, line;
    while (std::getline(lines, line)) {
        for (const char* prefix : {"Start Time : ", "End Time : "}) {
            if (line.rfind(prefix, 0) == 0) {
                line = prefix;
            }
        }
        masked += line + "\n";
    }
    return masked;
}

// The line that starts with `prefix`.
std::string LineOf(const std::string& transcript, const std::string& prefix) {
    const std::size_t at = transcript.find("\n" + prefix);
    return at == std::string::npos ? std::string()
                                   : transcript.substr(at + 1, transcript.find('\n', at + 1) - at);
}

// Every device control call the capture made is one of the read-only requests.
void ExpectOnlyReadOnlyRequests(const sim::SimMachine& machine) {
    for (const sim::CallRecord& record : machine.CallLog()) {
        const sim::CallInfo& call = record.call;
        if (call.kind != sim::CallKind::Control) {
            continue;
        }
        const bool readOnly =
            call.controlCode == win::kIoctlStorageGetDeviceNumber ||
            call.controlCode == win::kIoctlStorageQueryProperty ||
            (call.controlCode == win::kIoctlScsiMiniport &&
             ((call.signature == "FIRMWARE" && call.function == 1) ||
              call.signature == std::string("CSMIARY\0", 8) || call.signature == "IntelNvm"));
        EXPECT_TRUE(readOnly) << "control code 0x" << std::hex << call.controlCode << " \""
                              << call.signature << "\" function " << call.function;
        EXPECT_FALSE(call.signature == "IntelFw ");
    }
}

// The capture the inspector writes of the machine.
std::string CaptureOf(sim::SimMachine& machine) {
    fakes::FakeNewFiles files;
    sim::FixedMachineIdentity identity(u"machine");
    const int code = inspect::RunInspector("fwinspect", {u"--capture", u"machine.json"},
                                           machine.Platform(), files, identity);
    EXPECT_EQ(code, inspect::kInspectionRan);
    return files.kept.value_or("");
}

std::string Capture(sim::SimMachine& machine) {
    const std::string text = CaptureOf(machine);
    ExpectOnlyReadOnlyRequests(machine);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
    EXPECT_EQ(machine.OpenListCount(), 0u);
    EXPECT_TRUE(machine.Misuse().empty()) << machine.Misuse().front();
    return text;
}

// Each captured drive answers Identify as one drive of the machine did, byte for byte.
void ExpectSameIdentifyData(const sim::SimMachine& original, const sim::SimMachine& captured) {
    for (const auto& drive : captured.Drives()) {
        const auto data = drive->IdentifyData();
        EXPECT_TRUE(std::any_of(original.Drives().begin(), original.Drives().end(),
                                [&](const auto& d) { return d->IdentifyData() == data; }))
            << "captured drive " << drive->Name() << " (" << drive->Config().serial << ")";
    }
}

// Where every identification and update stopped and what the driver answered there, which the
// transcript does not always show (a ReturnCode of a pass-through, of an activation). The
// identifications in any order: a disk behind RST whose port answers no drive becomes a plain
// device of the capture, listed before the controller's disks.
std::vector<std::string> Stops(const app::RunRecord& record) {
    std::vector<std::string> identifications, stops;
    for (const app::JournalEntry& entry : record.Journal) {
        if (entry.Raid) {
            identifications.push_back(model::Describe(entry.Raid->Stop));
        }
        for (const app::DiskIdentification& disk : entry.Disks) {
            identifications.push_back((disk.Member ? "member " : "") + model::Describe(disk.Stop));
            if (disk.Update) {
                stops.push_back("update " + model::Describe(disk.Update->Stop));
            }
        }
    }
    std::sort(identifications.begin(), identifications.end());
    stops.insert(stops.begin(), identifications.begin(), identifications.end());
    return stops;
}

// Captures the scenario's machine, loads the capture and runs the tool on both machines.
void ExpectRoundTrip(const std::string& scenario) {
    const auto captured = Load(scenario);
    ASSERT_TRUE(captured);
    const std::string text = Capture(*captured);
    const auto replay = Load(text);
    ASSERT_TRUE(replay);
    const auto original = Load(scenario);

    const sim::RunOutcome expected = sim::RunScenario(*original);
    const sim::RunOutcome actual = sim::RunScenario(*replay);
    EXPECT_EQ(Masked(actual.transcript), Masked(expected.transcript)) << text;
    // Both clocks start at the moment the capture read: the runs start at the same time.
    EXPECT_NE(LineOf(expected.transcript, "Start Time : "), "");
    EXPECT_EQ(LineOf(actual.transcript, "Start Time : "),
              LineOf(expected.transcript, "Start Time : "));
    EXPECT_EQ(actual.exitCode, expected.exitCode);
    EXPECT_EQ(Stops(actual.record), Stops(expected.record));
    ExpectSameIdentifyData(*original, *replay);
    EXPECT_EQ(replay->OpenHandleCount(), 0u);
    EXPECT_TRUE(replay->Misuse().empty());
    // Everything the capture saw is in the scenario: the capture of its machine is the same.
    const auto again = Load(text);
    ASSERT_TRUE(again);
    EXPECT_EQ(CaptureOf(*again), text);
}

class CaptureRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(CaptureRoundTrip, RunsAsTheMachineItWasTakenFrom) {
    ExpectRoundTrip(ReadFile(ScenarioDir() / (GetParam() + ".json")));
}

// gtest names hold letters, digits and underscores only.
std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (const char c : info.param) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, CaptureRoundTrip, testing::ValuesIn(CapturableScenarios()),
                         TestName);

// Machines no scenario file shows: text that JSON must escape and Identify bytes that no text
// field carries; RST answers a capture sees without asking for a download.
TEST(CaptureRoundTripMachines, TextAndIdentifyBytesComeBackExactly) {
    ExpectRoundTrip(R"({
      "drives": [{ "name": "odd", "serial": "SN\"quote\\back", "model": "MODEL", "revision": "R1",
                   "version": "1.4.0", "frmw": "0x07", "fwug": 8,
                   "identify": { "30": 255, "31": 195, "66": 0, "100": 128, "0x200": 17,
                                 "4095": 1 } }],
      "devices": [{ "instanceId": "USB\\VID_1234&PID_\"Q\"\\caf\u00e9\u4e2d\u0001",
                    "location": "Port\n#1\ttab", "driverDesc": "D\\esc", "hardwareIds": [],
                    "interfaces": [{ "class": "disk", "path": "\\\\?\\usb#odd\"path" }] }],
      "inbox": [{ "drive": "odd", "deviceNumber": 3, "parentId": "PCI\\VEN_7A3C&DEV_5013\\4&X",
                  "location": "Bus Number 0, Target Id 0, LUN 0 \u00e9" }],
      "propertyTypes": [{ "instanceId": "USB\\VID_1234&PID_\"Q\"\\caf\u00e9\u4e2d\u0001",
                          "property": "location", "type": "0x2012" }]
    })");
}

// One of the maker's drives at the older revision, as scenario JSON.
std::string MakersDrive(const std::string& name, const std::string& frmw, int fwug) {
    const json drive = {{"name", name},
                        {"serial", "7A3C2605" + name},
                        {"model", "VELKORA TRVX208K 1024GB"},
                        {"revision", "XQ71DMRB"},
                        {"version", "1.4.0"},
                        {"frmw", frmw},
                        {"fwug", fwug}};
    return drive.dump();
}

// Get-info answers that differ from what FRMW gives, on disks at the older revision: no slot at
// all, and more slots claimed than the entries that follow.
TEST(CaptureRoundTripMachines, GetInfoOverridesReachTheReplay) {
    ExpectRoundTrip(R"({ "drives": [)" + MakersDrive("none", "0x07", 8) + ", " +
                    MakersDrive("more", "0x03", 8) + R"(],
      "inbox": [{ "drive": "none", "deviceNumber": 1, "getInfo": { "slotCount": 0 },
                  "parentId": "PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2B6C5F3&0&00E8" },
                { "drive": "more", "deviceNumber": 2, "getInfo": { "slotCount": 3, "version": 0 },
                  "parentId": "PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&1A2F8C1&0&0010" }]
    })");
}

TEST(CaptureRoundTripMachines, RefusedRstAnswers) {
    ExpectRoundTrip(R"({ "drives": [)" + MakersDrive("p3", "0x07", 8) + ", " +
                    MakersDrive("r0", "0x07", 1) + R"(],
      "rst": { "controller": { "raidQueryReturnCode": 5 },
               "raidSets": [{ "members": [{ "drive": "r0", "port": 0 }, { "port": 1 }] }],
               "disks": [{ "drive": "p3", "port": 3 }] }
    })");
    ExpectRoundTrip(R"({ "drives": [)" + MakersDrive("r0", "0x07", 1) + R"(],
      "rst": { "controller": { "emptyPortReturnCode": { "passThrough": 7 } },
               "raidSets": [{ "type": "raid0", "capacityMb": 1000, "stripeKb": 128,
                              "members": [{ "drive": "r0", "port": 0 }, { "port": 1 }] }] }
    })");
    ExpectRoundTrip(R"({ "drives": [)" + MakersDrive("p2", "0x07", 8) + R"(],
      "rst": { "controller": { "slotLogReturnCode": 4 }, "disks": [{ "drive": "p2", "port": 2 }] }
    })");
}

TEST(CaptureRoundTripFigures, MostScenariosAreCapturable) {
    const std::vector<ScenarioFile> files = ScenarioFiles();
    ASSERT_FALSE(files.empty()) << "no scenario in " << ScenarioDir();
    std::size_t capturable = 0;
    for (const ScenarioFile& file : files) {
        if (file.skipped) {
            std::cout << "skipped " << file.name << ": " << *file.skipped << "\n";
        } else {
            ++capturable;
        }
    }
    std::cout << capturable << " of " << files.size() << " scenarios round-trip\n";
    EXPECT_GE(capturable * 2, files.size());
}

}  // namespace
