// fwsim's command line: a scenario, --event FILE, --rehearse DIR and --json, in any order.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim {

struct FwsimOptions {
    std::optional<std::string> scenario;   // the one argument that is not an option
    std::optional<std::string> eventFile;  // --event FILE
    std::optional<std::string> rehearse;   // --rehearse DIR: the folder of captures
    bool json = false;                     // --json, with --rehearse only
};

// Nothing for a bad command line: an unknown or repeated option, an option without its value,
// a second scenario, --json without --rehearse, or --rehearse beside --event or a scenario.
std::optional<FwsimOptions> ParseFwsimOptions(const std::vector<std::string>& args);

}  // namespace sim
