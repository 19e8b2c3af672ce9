// fwsim: runs the tool against a simulated Windows machine. Standard output carries exactly what
// the tool prints; standard error the tool's exit code, the run's event (ID and type) and a
// summary of each simulated drive. With --rehearse DIR it rehearses every capture under DIR.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sim/fwsim_options.h"
#include "sim/rehearsal.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

int main(int argc, char** argv) {
    const std::optional<sim::FwsimOptions> options =
        sim::ParseFwsimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::cerr << "usage: fwsim [SCENARIO.json] [--event FILE]\n"
                     "       fwsim --rehearse DIR [--json]\n"
                     "Runs the update tool against the simulated machine the scenario describes\n"
                     "(the built-in default machine without an argument). --rehearse replays\n"
                     "every capture under DIR through the update and sets each run beside the\n"
                     "inspector's forecast.\n";
        return 2;
    }
    if (options->rehearse) {
        std::string error;
        const std::optional<sim::Rehearsal> rehearsal = sim::Rehearse(*options->rehearse, error);
        if (!rehearsal) {
            std::cerr << "fwsim: " << error << "\n";
            return 1;
        }
        std::cout << (options->json ? sim::RehearsalJson(*rehearsal)
                                    : sim::RehearsalText(*rehearsal))
                  << std::flush;
        return 0;
    }
    sim::LoadResult loaded =
        options->scenario ? sim::LoadScenarioFile(*options->scenario) : sim::LoadDefaultScenario();
    if (!loaded.machine) {
        std::cerr << "fwsim: bad scenario: " << loaded.error << "\n";
        return 2;
    }
    const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
    if (options->eventFile) {
        std::ofstream file(*options->eventFile, std::ios::binary | std::ios::trunc);
        file << sim::EventDescriptions(*loaded.machine);
        if (!file.flush()) {
            std::cerr << "fwsim: cannot write " << *options->eventFile << "\n";
            return 1;
        }
    }
    std::cout << outcome.transcript << std::flush;
    std::cerr << "exit code: " << outcome.exitCode << "\n"
              << sim::EventLogLines(*loaded.machine) << sim::DriveSummary(*loaded.machine);
    return 0;
}
