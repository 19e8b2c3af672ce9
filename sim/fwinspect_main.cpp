// fwinspect: the inspector against a simulated Windows machine, as fwsim runs the updater.
// Standard output carries exactly what the inspector prints; the exit code is the inspector's.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "fleet/forecast_program.h"
#include "inspect/inspect_program.h"
#include "platform/text.h"
#include "sim/fixed_machine_identity.h"
#include "sim/posix_new_file.h"
#include "sim/scenario.h"
#include "sim/sim_console.h"

int main(int argc, char** argv) {
    // The scenario is the one argument that is neither an option nor the capture's file or
    // forecast's folder, in whatever place it stands; the options go to the inspector as they came
    // (UTF-8).
    std::vector<std::u16string> args;
    std::string scenario;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--capture" || arg == "--forecast" || arg == "--csv" || arg == "--html") &&
            i + 1 < argc) {
            args.push_back(platform::DecodeUtf8(arg));
            args.push_back(platform::DecodeUtf8(argv[++i]));
        } else if (!arg.starts_with("--") && scenario.empty()) {
            scenario = arg;
        } else {
            args.push_back(platform::DecodeUtf8(arg));
        }
    }
    if (fleet::AsksForForecast(args)) {
        sim::SimConsole console;
        sim::PosixNewFiles files;
        const int code = fleet::RunForecast(args, console, files);
        std::cout << console.Transcript() << std::flush;
        return code;
    }
    sim::LoadResult loaded =
        scenario.empty() ? sim::LoadDefaultScenario() : sim::LoadScenarioFile(scenario);
    if (!loaded.machine) {
        std::cerr << "fwinspect: bad scenario: " << loaded.error << "\n";
        return 2;
    }
    sim::PosixNewFiles files;
    // The machine is named by its scenario: the file's base name, "default" for the built-in one.
    sim::FixedMachineIdentity identity(
        platform::DecodeUtf8(scenario.empty() ? std::string("default")
                                              : std::filesystem::path(scenario).stem().string()));
    const int code = inspect::RunInspector("fwinspect [SCENARIO.json]", args,
                                           loaded.machine->Platform(), files, identity);
    std::cout << loaded.machine->Console().Transcript() << std::flush;
    return code;
}
