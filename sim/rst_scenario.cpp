#include "sim/rst_scenario.h"

#include <nlohmann/json.hpp>

#include "sim/sim_machine.h"

namespace sim {

void LoadRstScenario(const nlohmann::json& rst, SimMachine& machine) {
    (void)rst;
    (void)machine;
}

}  // namespace sim
