#include "inspect/inspect_program.h"

#include <optional>

#include "inspect/capture.h"
#include "inspect/inspect_report.h"
#include "inspect/machine_inspection.h"

namespace inspect {

namespace {

struct Options {
    bool json = false;
    std::optional<std::string> capture;
};

std::optional<Options> ParseOptions(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json" && !options.json) {
            options.json = true;
        } else if (args[i] == "--capture" && !options.capture && i + 1 < args.size() &&
                   !args[i + 1].empty()) {
            options.capture = args[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

int RunInspector(std::string_view programName, const std::vector<std::string>& args,
                 platform::Platform& platform, const FileWriter& writeFile) {
    const std::optional<Options> options = ParseOptions(args);
    if (!options) {
        platform.console.WriteNarrow("Usage: " + std::string(programName) +
                                     " [--json] [--capture FILE]\n"
                                     "  Tells what the firmware update would do on this machine, "
                                     "without changing anything.\n"
                                     "  --json          one JSON object instead of text\n"
                                     "  --capture FILE  also record the machine's answers, for "
                                     "fwsim to replay\n");
        return kBadOption;
    }
    // With a capture, the inspection runs through the recorders: the capture holds every answer
    // the report was made from.
    Recording recording;
    RecordingSetup recordingSetup(platform.setup, recording);
    RecordingIo recordingIo(platform.io, recording);
    platform::Platform recorded{recordingSetup, recordingIo, platform.console, platform.clock,
                                platform.guards};
    const platform::LocalTime taken = platform.clock.Now();
    const Inspection inspection = Inspect(options->capture ? recorded : platform);
    platform.console.WriteNarrow(options->json ? InspectionJson(inspection)
                                               : InspectionText(inspection));
    if (options->capture) {
        if (!writeFile(*options->capture, CaptureText(recording, taken))) {
            platform.console.WriteNarrow("[ERROR] Could not write the capture to " +
                                         *options->capture + "\n");
            return kCaptureNotWritten;
        }
        if (!options->json) {
            platform.console.WriteNarrow("The machine was captured to " + *options->capture +
                                         "; rehearse the update with: fwsim " + *options->capture +
                                         "\n");
        }
    }
    return kInspectionRan;
}

}  // namespace inspect
