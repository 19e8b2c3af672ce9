// Scenarios: a simulated machine described in JSON (format in sim/scenarios/README.md).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sim/sim_machine.h"

namespace sim {

// A scenario or capture is refused past these: larger than 16 MiB, or more JSON values than a
// capture of the largest machine holds (each value costs memory however short its text).
inline constexpr std::size_t kMaxScenarioBytes = 16u << 20;
inline constexpr std::size_t kMaxScenarioValues = 500000;

struct LoadResult {
    std::unique_ptr<SimMachine> machine;  // null when the scenario is bad
    std::string error;                    // why, when it is bad
};

// Builds a fresh machine from scenario JSON text.
LoadResult LoadScenario(std::string_view jsonText);
// The same from a file, read no further than the size limit.
LoadResult LoadScenarioFile(const std::string& path);
// The embedded default scenario (sim/scenarios/default.json, compiled in).
std::string_view DefaultScenarioJson();
LoadResult LoadDefaultScenario();

}  // namespace sim
