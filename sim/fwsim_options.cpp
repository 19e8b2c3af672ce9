#include "sim/fwsim_options.h"

namespace sim {

std::optional<FwsimOptions> ParseFwsimOptions(const std::vector<std::string>& args) {
    FwsimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size() && !args[i + 1].empty();
        if (arg == "--json" && !options.json) {
            options.json = true;
        } else if (arg == "--event" && !options.eventFile && hasValue) {
            options.eventFile = args[++i];
        } else if (arg == "--rehearse" && !options.rehearse && hasValue) {
            options.rehearse = args[++i];
        } else if (!arg.starts_with("-") && !arg.empty() && !options.scenario) {
            options.scenario = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.rehearse ? options.eventFile || options.scenario : options.json) {
        return std::nullopt;
    }
    return options;
}

}  // namespace sim
