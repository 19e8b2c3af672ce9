// Scenarios: a simulated machine described in JSON (format in sim/scenarios/README.md).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sim/sim_machine.h"

namespace sim {

struct LoadResult {
    std::unique_ptr<SimMachine> machine;  // null when the scenario is bad
    std::string error;                    // why, when it is bad
};

// Builds a fresh machine from scenario JSON text.
LoadResult LoadScenario(std::string_view jsonText);
// The same from a file.
LoadResult LoadScenarioFile(const std::string& path);
// The embedded default scenario (sim/scenarios/default.json, compiled in).
std::string_view DefaultScenarioJson();
LoadResult LoadDefaultScenario();

}  // namespace sim
