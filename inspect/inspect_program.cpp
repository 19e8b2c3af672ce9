#include "inspect/inspect_program.h"

#include <memory>
#include <optional>

#include "inspect/capture.h"
#include "inspect/inspect_report.h"
#include "inspect/machine_inspection.h"
#include "platform/text.h"

namespace inspect {

namespace {

struct Options {
    bool json = false;
    std::optional<std::u16string> capture;
};

std::optional<Options> ParseOptions(const std::vector<std::u16string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == u"--json" && !options.json) {
            options.json = true;
        } else if (args[i] == u"--capture" && !options.capture && i + 1 < args.size() &&
                   !args[i + 1].empty()) {
            options.capture = args[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// The capture's file, made before anything is inspected; null, with the reason printed, when it
// cannot be.
std::unique_ptr<platform::NewFile> CreateCapture(const std::u16string& path,
                                                 platform::NewFiles& files,
                                                 platform::Console& console) {
    platform::NewFileResult created = files.Create(path);
    switch (created.Status) {
        case platform::NewFileStatus::Created:
            return std::move(created.File);
        case platform::NewFileStatus::AlreadyExists:
            console.WriteWideLine(u"[ERROR] The capture file already exists: " + path);
            break;
        case platform::NewFileStatus::ElsewhereThanAsked:
            console.WriteWideLine(u"[ERROR] A link in the capture file's path leads elsewhere: " +
                                  path);
            break;
        case platform::NewFileStatus::Failed:
            console.WriteWideLine(u"[ERROR] The capture file could not be created (0x" +
                                  platform::ToU16(platform::HexUpper(created.error)) + u"): " +
                                  path);
            break;
    }
    return nullptr;
}

}  // namespace

int RunInspector(std::string_view programName, const std::vector<std::u16string>& args,
                 platform::Platform& platform, platform::NewFiles& files,
                 platform::MachineIdentity& identity) {
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
    std::unique_ptr<platform::NewFile> captureFile;
    if (options->capture) {
        captureFile = CreateCapture(*options->capture, files, platform.console);
        if (!captureFile) {
            return kCaptureNotWritten;
        }
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
    const Stamp stamp{identity.HostName(), taken, identity.UtcOffsetMinutes()};
    platform.console.WriteNarrow(options->json ? InspectionJson(inspection, stamp)
                                               : InspectionText(inspection));
    if (captureFile) {
        if (!captureFile->WriteWhole(CaptureText(recording, taken))) {
            platform.console.WriteWideLine(u"[ERROR] Could not write the capture to " +
                                           *options->capture);
            return kCaptureNotWritten;
        }
        if (!options->json) {
            platform.console.WriteWideLine(u"The machine was captured to " + *options->capture +
                                           u"; rehearse the update with: fwsim " +
                                           *options->capture);
        }
    }
    return kInspectionRan;
}

}  // namespace inspect
