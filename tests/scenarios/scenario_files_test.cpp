// Runs every scenario of sim/scenarios that has NAME.expected and NAME.code beside it and compares
// the whole transcript, the exit code, the run's one event (its text the transcript up to the
// pause, its ID of the exit code's kind) and, given NAME.drives and NAME.event, the drives' final
// state and the event's ID and type; no drive may be asked to activate an incomplete image;
// every scenario file must at least load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.h"
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

// The Application log's copy of a transcript: up to the pause's prompt, CR LF line ends, a
// space for each NUL, and a word joiner (U+2060) after each '%' that the event viewers would read
// as an insertion code.
std::string EventTextOf(const std::string& transcript) {
    const std::string prompt = std::string(platform::kPausePrompt) + "\n";
    if (transcript.size() < prompt.size() ||
        transcript.compare(transcript.size() - prompt.size(), prompt.size(), prompt) != 0) {
        return "(no pause prompt at the end)";
    }
    const std::string body = transcript.substr(0, transcript.size() - prompt.size());
    std::string text;
    for (std::size_t i = 0; i < body.size(); ++i) {
        text += body[i] == '\n'   ? std::string("\r\n")
                : body[i] == '\0' ? std::string(" ")
                                  : std::string(1, body[i]);
        if (body[i] == '%' && i + 1 < body.size() &&
            (std::isdigit(static_cast<unsigned char>(body[i + 1])) || body[i + 1] == '%' ||
             body[i + 1] == '{')) {
            text += "\u2060";
        }
    }
    return text;
}

// 100 and 102 end with 1602, 101 with 4000, the 200s with 1, the 300s with 1618.
int ExitCodeOfEvent(std::uint16_t id) {
    if (id < 200) {
        return id == 101 ? 4000 : 1602;
    }
    return id < 300 ? 1 : 1618;
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
    const fs::path event = base.string() + ".event";
    if (fs::exists(event)) {
        EXPECT_EQ(sim::EventLogLines(machine), ReadFile(event));
    }
    const std::vector<sim::LoggedEvent>& events = machine.EventLog().Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(ExitCodeOfEvent(events[0].id), outcome.exitCode) << "event " << events[0].id;
    EXPECT_EQ(platform::EncodeUtf8(events[0].text), EventTextOf(outcome.transcript));
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
