#include "sim/rehearsal.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "inspect/machine_inspection.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

// The loader's reason without the path it puts first.
std::string Reason(const std::string& error, const std::string& path) {
    return error.starts_with(path + ": ") ? error.substr(path.size() + 2) : error;
}

// The forecast and the run are made on two machines loaded from the same capture, so that the
// inspection's reads change nothing the update meets.
bool RehearseOne(const fs::path& path, RehearsedMachine& machine, std::string& reason) {
    LoadResult forecastLoad = LoadScenarioFile(path.string());
    LoadResult runLoad = LoadScenarioFile(path.string());
    if (!forecastLoad.machine || !runLoad.machine) {
        reason = Reason(forecastLoad.machine ? runLoad.error : forecastLoad.error, path.string());
        return false;
    }
    machine.Forecast = inspect::Inspect(forecastLoad.machine->Platform()).ExpectedExitCode;
    forecastLoad.machine.reset();
    machine.Run = RunScenario(*runLoad.machine).exitCode;
    if (const auto& events = runLoad.machine->EventLog().Events(); !events.empty()) {
        machine.EventId = events.back().id;
    }
    for (const auto& drive : runLoad.machine->Drives()) {
        if (drive->CommittedKnownGood()) {
            machine.DrivesUpdated.push_back(drive->Name());
        }
    }
    return true;
}

}  // namespace

std::optional<Rehearsal> Rehearse(const std::string& dir, std::string& error) {
    std::vector<fs::path> files;
    std::error_code code;
    fs::recursive_directory_iterator it(dir, code), end;
    for (; !code && it != end; it.increment(code)) {
        std::error_code typeCode;
        if (it->is_regular_file(typeCode)) {
            files.push_back(it->path());
        }
    }
    if (code) {
        error = "cannot read " + dir + ": " + code.message();
        return std::nullopt;
    }
    std::sort(files.begin(), files.end());
    Rehearsal rehearsal;
    for (const fs::path& path : files) {
        const std::string name = path.lexically_relative(dir).string();
        RehearsedMachine machine;
        machine.File = name;
        std::string reason;
        if (RehearseOne(path, machine, reason)) {
            rehearsal.Machines.push_back(std::move(machine));
        } else {
            rehearsal.Refused.push_back({name, reason});
        }
    }
    return rehearsal;
}

std::string RehearsalText(const Rehearsal& rehearsal) {
    std::string text;
    std::size_t agree = 0;
    for (const RehearsedMachine& m : rehearsal.Machines) {
        std::string drives;
        for (const std::string& drive : m.DrivesUpdated) {
            drives += " " + drive;
        }
        text += m.File + ": forecast " + std::to_string(m.Forecast) + ", run " +
                std::to_string(m.Run) + ", event " +
                (m.EventId ? std::to_string(*m.EventId) : std::string("none")) +
                ", drives updated:" + (drives.empty() ? std::string(" none") : drives) + ": " +
                (m.Agree() ? "agree" : "DIFFER") + "\n";
        agree += m.Agree() ? 1 : 0;
    }
    for (const RefusedCapture& r : rehearsal.Refused) {
        text += r.File + ": refused: " + r.Reason + "\n";
    }
    text += "Rehearsed " + std::to_string(rehearsal.Machines.size()) +
            " machines: " + std::to_string(agree) + " agree, " +
            std::to_string(rehearsal.Machines.size() - agree) + " differ; " +
            std::to_string(rehearsal.Refused.size()) + " captures refused.\n";
    return text;
}

std::string RehearsalJson(const Rehearsal& rehearsal) {
    using nlohmann::json;
    json differ = json::array(), refused = json::array(), results = json::array();
    std::size_t agree = 0;
    for (const RehearsedMachine& m : rehearsal.Machines) {
        results.push_back({{"file", m.File},
                           {"forecast", m.Forecast},
                           {"run", m.Run},
                           {"event", m.EventId ? json(*m.EventId) : json()},
                           {"drivesUpdated", m.DrivesUpdated},
                           {"agree", m.Agree()}});
        if (m.Agree()) {
            ++agree;
        } else {
            differ.push_back({{"file", m.File}, {"forecast", m.Forecast}, {"run", m.Run}});
        }
    }
    for (const RefusedCapture& r : rehearsal.Refused) {
        refused.push_back({{"file", r.File}, {"reason", r.Reason}});
    }
    const json object = {{"machines", rehearsal.Machines.size()},
                         {"agree", agree},
                         {"differ", std::move(differ)},
                         {"refused", std::move(refused)},
                         {"results", std::move(results)}};
    return object.dump(2, ' ', true, json::error_handler_t::replace) + "\n";
}

}  // namespace sim
