// fwsim: runs the tool against a simulated Windows machine. Standard output carries exactly what
// the tool prints; standard error the tool's exit code, the run's event (ID and type) and a
// summary of each simulated drive.
#include <cstdio>
#include <iostream>
#include <string>

#include "sim/scenario.h"
#include "sim/scenario_runner.h"

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
        std::cerr << "usage: fwsim [SCENARIO.json]\n"
                     "Runs the update tool against the simulated machine the scenario describes\n"
                     "(the built-in default machine without an argument).\n";
        return 2;
    }
    sim::LoadResult loaded =
        argc == 2 ? sim::LoadScenarioFile(argv[1]) : sim::LoadDefaultScenario();
    if (!loaded.machine) {
        std::cerr << "fwsim: bad scenario: " << loaded.error << "\n";
        return 2;
    }
    const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
    std::cout << outcome.transcript << std::flush;
    std::cerr << "exit code: " << outcome.exitCode << "\n"
              << sim::EventLogLines(*loaded.machine) << sim::DriveSummary(*loaded.machine);
    return 0;
}
