// The Intel RST part of a scenario: the controller, its disks, RAID volumes and members.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace sim {

class SimMachine;

// Adds what the scenario's "rst" object describes to the machine. Throws
// nlohmann::json::exception or std::invalid_argument on a bad description.
void LoadRstScenario(const nlohmann::json& rst, SimMachine& machine);

}  // namespace sim
