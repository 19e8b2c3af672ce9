// The rehearsal of a rollout: every capture under a folder replayed through the real update,
// each machine's run set beside the inspector's forecast for the same replayed machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct RehearsedMachine {
    std::string File;                        // its path under the folder
    std::int32_t Forecast = 0;               // the inspector's expected exit code
    std::int32_t Run = 0;                    // the update's exit code
    std::optional<std::uint32_t> EventId;    // the run's event
    std::vector<std::string> DrivesUpdated;  // the drives that committed the carried image
    bool Agree() const { return Forecast == Run; }
};

struct RefusedCapture {
    std::string File;
    std::string Reason;
};

struct Rehearsal {
    std::vector<RehearsedMachine> Machines;
    std::vector<RefusedCapture> Refused;
};

// Every regular file under dir, subfolders included, in path order; nothing, with the reason in
// error, when the folder cannot be read.
std::optional<Rehearsal> Rehearse(const std::string& dir, std::string& error);

// A line per machine, then the summary.
std::string RehearsalText(const Rehearsal& rehearsal);
// One object: machines, agree, differ [{file, forecast, run}], refused [{file, reason}], and
// each machine's results.
std::string RehearsalJson(const Rehearsal& rehearsal);

}  // namespace sim
