#include "sim/scenario_runner.h"

#include "app/run_tool.h"
#include "platform/text.h"

namespace sim {

RunOutcome RunScenario(SimMachine& machine) {
    const std::size_t before = machine.Console().Transcript().size();
    RunOutcome outcome;
    try {
        outcome.exitCode =
            app::RunTool(machine.Argc(), machine.Platform(), machine.Services(), &outcome.record);
    } catch (const ProcessEnded& ended) {
        outcome.exitCode = ended.exitCode;
    }
    outcome.transcript = machine.Console().Transcript().substr(before);
    return outcome;
}

std::string EventLogLines(const SimMachine& machine) {
    std::string text;
    for (const LoggedEvent& event : machine.EventLog().Events()) {
        const char* type = event.type == platform::EventType::Information ? "information"
                           : event.type == platform::EventType::Warning   ? "warning"
                                                                          : "error";
        text += "event log: " + std::to_string(event.id) + " " + type + "\n";
    }
    return text;
}

std::string EventDescriptions(const SimMachine& machine) {
    std::string text;
    for (const LoggedEvent& event : machine.EventLog().Events()) {
        text += platform::EncodeUtf8(event.text);
    }
    return text;
}

std::string DriveSummary(const SimMachine& machine) {
    std::string text;
    for (const auto& drive : machine.Drives()) {
        text += "drive " + drive->Name() + ": running \"" + drive->RunningRevision() + "\", slots";
        for (std::uint8_t slot = 1; slot <= drive->SlotCount(); ++slot) {
            const std::string revision = drive->SlotRevision(slot);
            text += " " + std::to_string(slot) + "=" +
                    (revision.empty() ? "-" : "\"" + revision + "\"");
            if (drive->SlotReadOnly(slot)) {
                text += "(ro)";
            }
            if (slot == drive->ActiveSlot()) {
                text += "(active)";
            }
        }
        text += ", pending activation: ";
        text += drive->PendingSlot() ? "slot " + std::to_string(*drive->PendingSlot())
                                     : std::string("none");
        text += ", bytes received " + std::to_string(drive->BytesReceived().size()) + " in " +
                std::to_string(drive->CountRequests(DriveRequest::Kind::Download)) +
                " download requests";
        text += drive->CommittedKnownGood() ? ", known-good image committed\n" : "\n";
    }
    return text;
}

}  // namespace sim
