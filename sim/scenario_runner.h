// Runs the tool in-process against a simulated machine.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_tool.h"
#include "sim/sim_machine.h"

namespace sim {

struct RunOutcome {
    std::string transcript;  // everything the tool wrote, as standard output shows it
    std::int32_t exitCode = 0;
    app::RunRecord record;  // the run's discovery log and the stops of its operations
};

// app::RunTool(machine.Argc(), machine.Platform(), machine.Services()).
RunOutcome RunScenario(SimMachine& machine);

// "event log: ID TYPE" for each event the run wrote (type information, warning or error).
// The description of each event the run reported, in UTF-8, one after another.
std::string EventDescriptions(const SimMachine& machine);
std::string EventLogLines(const SimMachine& machine);

// One line per drive: name, running revision, slots, pending activation, bytes received.
std::string DriveSummary(const SimMachine& machine);

}  // namespace sim
