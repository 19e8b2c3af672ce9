// Runs every scenario of sim/scenarios that has NAME.expected and NAME.code beside it and compares
// the whole transcript, the exit code and, given NAME.drives, the drives' final state; no drive
// may be asked to activate an incomplete image; every scenario file must at least load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

namespace {

namespace fs = std::filesystem;

// FWU_SOURCE_DIR under ctest; the tree this file was compiled from when gtest discovery lists
// the tests (it runs without that variable, and an empty list would run no scenario at all).
fs::path ScenarioDir() {
    const char* source = std::getenv("FWU_SOURCE_DIR");
    const fs::path root = source != nullptr
                              ? fs::path(source)
                              : fs::path(__FILE__).parent_path().parent_path().parent_path();
    return root / "sim" / "scenarios";
}

std::vector<fs::path> ScenarioFiles() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ScenarioDir(), error)) {
        if (entry.path().extension() == ".json") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ScenariosWithExpectations() {
    std::vector<std::string> names;
    for (const fs::path& file : ScenarioFiles()) {
        fs::path expected = file, code = file;
        expected.replace_extension(".expected");
        code.replace_extension(".code");
        if (fs::exists(expected) && fs::exists(code)) {
            names.push_back(file.stem().string());
        }
    }
    return names;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class ScenarioFile : public testing::TestWithParam<std::string> {};

TEST_P(ScenarioFile, TranscriptAndExitCodeAsExpected) {
    const fs::path base = ScenarioDir() / GetParam();
    sim::LoadResult loaded = sim::LoadScenarioFile(base.string() + ".json");
    ASSERT_TRUE(loaded.machine) << loaded.error;
    sim::SimMachine& machine = *loaded.machine;

    const sim::RunOutcome outcome = sim::RunScenario(machine);

    EXPECT_EQ(outcome.transcript, ReadFile(base.string() + ".expected"));
    EXPECT_EQ(outcome.exitCode, std::stoi(ReadFile(base.string() + ".code")));
    // NAME.drives, where present, holds the drives' state after the run (fwsim's summary).
    const fs::path drives = base.string() + ".drives";
    if (fs::exists(drives)) {
        EXPECT_EQ(sim::DriveSummary(machine), ReadFile(drives));
    }
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
    EXPECT_EQ(machine.OpenListCount(), 0u);
    EXPECT_TRUE(machine.Misuse().empty()) << machine.Misuse().front();
    // A drive answers 0x107 to an activation of an image it did not receive whole; the
    // transcript alone would not show a tool that asked anyway after a failed download.
    for (const auto& drive : machine.Drives()) {
        for (const sim::DriveRequest& request : drive->Requests()) {
            EXPECT_FALSE(request.kind == sim::DriveRequest::Kind::Commit &&
                         request.status == sim::kNvmeInvalidFirmwareImage)
                << "drive " << drive->Name() << " was asked to activate an incomplete image";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sim, ScenarioFile, testing::ValuesIn(ScenariosWithExpectations()),
                         [](const testing::TestParamInfo<std::string>& paramInfo) {
                             std::string name = paramInfo.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

TEST(ScenarioFiles, EveryFileLoads) {
    const std::vector<fs::path> files = ScenarioFiles();
    ASSERT_FALSE(files.empty()) << "no scenario in " << ScenarioDir();
    for (const fs::path& file : files) {
        const sim::LoadResult loaded = sim::LoadScenarioFile(file.string());
        EXPECT_TRUE(loaded.machine) << loaded.error;
    }
}

TEST(ScenarioFiles, DefaultFileIsTheEmbeddedScenario) {
    EXPECT_EQ(ReadFile(ScenarioDir() / "default.json"), std::string(sim::DefaultScenarioJson()));
}

}  // namespace
