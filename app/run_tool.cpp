#include "app/run_tool.h"

#include "app/battery_rule.h"
#include "app/console_events.h"
#include "app/event_text.h"
#include "app/recorded_console.h"
#include "app/run_context.h"
#include "app/run_outcome.h"
#include "image/firmware_image.h"

namespace app {

namespace {

constexpr std::u16string_view kSeparator =
    u"============================================================================================="
    u"===";
constexpr std::u16string_view kNotice =
    u"Copyright (C) VELKORA. Do not power off or disconnect drives during the update.";

// cmd's pause; in session 0 nobody can answer it, so only its prompt and line end are written
// and the run ends with its exit code at once.
void FinalPause(platform::Console& console) {
    if (console.InSessionZero()) {
        console.WriteNarrow(platform::kPausePrompt);
        console.WriteNarrow("\n");
        return;
    }
    console.Pause();
}

// Discovery, updates and the report, with the system kept awake and Ctrl+C ignored from the
// first device call to the end of the report (neither at the pause).
RunFacts UpdateDrives(platform::Platform& platform, const image::FirmwareImage& image,
                      RunRecord* record) {
    RunContext context(platform);
    context.RecordStartTime();
    const platform::KeepAwake awake(platform.guards);
    const platform::NoInterruption noInterruption(platform.guards);
    ConsoleEvents events(platform.console);
    context.Inventory.RunUpdates(platform, events, image, context.SelectedDisks);
    RunFacts facts;
    facts.ExitCode = context.ReportResults(image);
    facts.UpdateFailed = context.Tally.AnyFailed();
    facts.NotAccountedFor = context.Tally.NotAccountedFor();
    facts.NoEligibleDrive = context.SelectedDisks.empty();
    facts.NeedsShutdown = context.Inventory.AnyDriveNeedsShutdown();
    if (record != nullptr) {
        record->AllAccountedFor = context.Inventory.AllAccountedFor();
        record->Journal = context.Inventory.Journal();
        record->SelectedDisks = context.SelectedDisks;
    }
    return facts;
}

// The run once it holds the lock: banner, battery check, then the drives.
RunFacts RunLocked(platform::Platform& platform, platform::PowerSource& power, RunRecord* record) {
    image::PrepareFirmwareImage();
    const image::FirmwareImage& image = image::TheFirmwareImage();
    platform.console.WriteWideLine(kSeparator);
    platform.console.WriteWideLine(image.BannerTitle);
    platform.console.WriteWideLine(kNotice);
    platform.console.WriteWideLine(kSeparator);
    if (OnLowBattery(power.SystemPowerStatus())) {
        platform.console.WriteWideLine(
            u"[ERROR] The computer is on battery power below 25 %; connect it to power and run "
            u"the update again.");
        return {.ExitCode = kRetryLater, .LowBattery = true};
    }
    return UpdateDrives(platform, image, record);
}

// The event goes before the pause, so that it is written even when nobody presses the key.
int EndRun(platform::Console& console, platform::EventLog& eventLog, const RunFacts& facts,
           std::u16string_view text) {
    const RunEvent event = EventOfRun(facts);
    eventLog.Report(event.Id, event.Type, EventText(text));
    FinalPause(console);
    return facts.ExitCode;
}

}  // namespace

int RunTool(int argc, platform::Platform& platform, platform::UpdaterServices& services,
            RunRecord* record) {
    // Everything up to the pause is the run's text, kept for its event.
    RecordedConsole console(platform.console);
    platform::Platform recorded{platform.setup, platform.io, console, platform.clock,
                                platform.guards};
    if (argc > 1) {
        console.WriteWideLine(u"[ERROR] Invalid Parameter");
        return EndRun(platform.console, services.eventLog, {.ArgumentGiven = true}, console.Text());
    }
    // Held through the pause: a second run started while this one waits for its key would
    // still find the drives mid-update.
    const platform::RunLock runLock(platform.guards);
    RunFacts facts{.ExitCode = kRetryLater, .AnotherRunGoing = true};
    if (runLock.Held()) {
        facts = RunLocked(recorded, services.power, record);
    } else {
        console.WriteWideLine(u"[ERROR] Another firmware update is running");
    }
    return EndRun(platform.console, services.eventLog, facts, console.Text());
}

}  // namespace app
