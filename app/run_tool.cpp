#include "app/run_tool.h"

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

}  // namespace

int RunTool(int argc, platform::Platform& platform, RunRecord* record) {
    int exitCode = 1;
    {
        RunContext context(platform);
        if (argc > 1) {
            platform.console.WriteWideLine(u"[ERROR] Invalid Parameter");
            FinalPause(platform.console);
            return exitCode;
        }
        // Held through the pause: a second run started while this one waits for its key
        // would still find the drives mid-update.
        const platform::RunLock runLock(platform.guards);
        if (!runLock.Held()) {
            platform.console.WriteWideLine(u"[ERROR] Another firmware update is running");
            exitCode = kRetryLater;
        } else {
            image::PrepareFirmwareImage();
            const image::FirmwareImage& image = image::TheFirmwareImage();
            platform.console.WriteWideLine(kSeparator);
            platform.console.WriteWideLine(image.BannerTitle);
            platform.console.WriteWideLine(kNotice);
            platform.console.WriteWideLine(kSeparator);
            context.RecordStartTime();
            // No sleep and no Ctrl+C from discovery to the end of the report; neither is held
            // at the pause.
            const platform::KeepAwake awake(platform.guards);
            const platform::NoInterruption noInterruption(platform.guards);
            ConsoleEvents events(platform.console);
            context.Inventory.RunUpdates(platform, events, image, context.SelectedDisks);
            exitCode = context.ReportResults(image);
            if (record != nullptr) {
                record->MakersDriveLeftBehind = context.Inventory.MakersDriveLeftBehind();
                record->Discovery = std::move(context.Inventory.Decisions);
                record->Identifications = std::move(context.Inventory.Identifications);
                record->Updates = std::move(context.Inventory.Updates);
            }
        }
        FinalPause(platform.console);
    }
    return exitCode;
}

}  // namespace app
