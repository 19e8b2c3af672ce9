#include "app/run_tool.h"

#include "app/battery_rule.h"
#include "app/console_events.h"
#include "app/run_context.h"
#include "image/firmware_image.h"

namespace app {

namespace {

constexpr std::u16string_view kSeparator =
    u"============================================================================================="
    u"===";
constexpr std::u16string_view kNotice =
    u"Copyright (C) VELKORA. Do not power off or disconnect drives during the update.";
// ERROR_INSTALL_ALREADY_RUNNING: Intune and Configuration Manager retry a run that ends with it.
constexpr int kRetryLater = 1618;

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
// first device call to the end of the report (neither at the pause). Returns the exit code.
int UpdateDrives(platform::Platform& platform, const image::FirmwareImage& image,
                 RunRecord* record) {
    RunContext context(platform);
    context.RecordStartTime();
    const platform::KeepAwake awake(platform.guards);
    const platform::NoInterruption noInterruption(platform.guards);
    ConsoleEvents events(platform.console);
    context.Inventory.RunUpdates(platform, events, image, context.SelectedDisks);
    const int exitCode = context.ReportResults(image);
    if (record != nullptr) {
        record->MakersDriveLeftBehind = context.Inventory.MakersDriveLeftBehind();
        record->Discovery = std::move(context.Inventory.Decisions);
        record->Identifications = std::move(context.Inventory.Identifications);
        record->Updates = std::move(context.Inventory.Updates);
    }
    return exitCode;
}

// The run once it holds the lock: banner, battery check, then the drives.
int RunLocked(platform::Platform& platform, platform::UpdaterServices& services,
              RunRecord* record) {
    image::PrepareFirmwareImage();
    const image::FirmwareImage& image = image::TheFirmwareImage();
    platform.console.WriteWideLine(kSeparator);
    platform.console.WriteWideLine(image.BannerTitle);
    platform.console.WriteWideLine(kNotice);
    platform.console.WriteWideLine(kSeparator);
    if (OnLowBattery(services.power.SystemPowerStatus())) {
        platform.console.WriteWideLine(
            u"[ERROR] The computer is on battery power below 25 %; connect it to power and run "
            u"the update again.");
        return kRetryLater;
    }
    return UpdateDrives(platform, image, record);
}

}  // namespace

int RunTool(int argc, platform::Platform& platform, platform::UpdaterServices& services,
            RunRecord* record) {
    if (argc > 1) {
        platform.console.WriteWideLine(u"[ERROR] Invalid Parameter");
        FinalPause(platform.console);
        return 1;
    }
    // Held through the pause: a second run started while this one waits for its key would
    // still find the drives mid-update.
    const platform::RunLock runLock(platform.guards);
    int exitCode = kRetryLater;
    if (runLock.Held()) {
        exitCode = RunLocked(platform, services, record);
    } else {
        platform.console.WriteWideLine(u"[ERROR] Another firmware update is running");
    }
    FinalPause(platform.console);
    return exitCode;
}

}  // namespace app
