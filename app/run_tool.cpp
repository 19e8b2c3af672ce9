#include "app/run_tool.h"

#include "app/run_context.h"
#include "image/firmware_image.h"

namespace app {

namespace {

constexpr std::u16string_view kSeparator =
    u"============================================================================================="
    u"===";
constexpr std::u16string_view kNotice =
    u"Copyright (C) VELKORA. Do not power off or disconnect drives during the update.";

}  // namespace

int RunTool(int argc, platform::Platform& platform, RunRecord* record) {
    int exitCode = 1;
    {
        RunContext context(platform);
        if (argc > 1) {
            platform.console.WriteWideLine(u"[ERROR] Invalid Parameter");
            platform.console.Pause();
            return exitCode;
        }
        // Held through the pause: a second run started while this one waits for its key
        // would still find the drives mid-update.
        const platform::RunLock runLock(platform.guards);
        if (!runLock.Held()) {
            platform.console.WriteWideLine(u"[ERROR] Another firmware update is running");
        } else {
            image::PrepareFirmwareImage();
            const image::FirmwareImage& image = image::TheFirmwareImage();
            platform.console.WriteWideLine(kSeparator);
            platform.console.WriteWideLine(image.BannerTitle);
            platform.console.WriteWideLine(kNotice);
            platform.console.WriteWideLine(kSeparator);
            context.RecordStartTime();
            // No sleep from discovery to the end of the report, none kept at the pause.
            const platform::KeepAwake awake(platform.guards);
            context.Inventory.RunUpdates(platform, image, context.SelectedDisks);
            exitCode = context.ReportResults(image);
            if (record != nullptr) {
                record->makersDriveLeftBehind = context.Inventory.MakersDriveLeftBehind();
                record->discovery = std::move(context.Inventory.Discovery);
                record->identifications = std::move(context.Inventory.Identifications);
                record->updates = std::move(context.Inventory.Updates);
            }
        }
        platform.console.Pause();
    }
    return exitCode;
}

}  // namespace app
