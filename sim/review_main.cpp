// fwinspect: the inspector against a simulated Windows machine, as fwsim runs the updater.
// Standard output carries exactly what the inspector prints; the exit code is the inspector's.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "review/review_program.h"
#include "sim/scenario.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string scenario;
    if (!args.empty() && !args.front().starts_with("--")) {
        scenario = args.front();
        args.erase(args.begin());
    }
    sim::LoadResult loaded =
        scenario.empty() ? sim::LoadDefaultScenario() : sim::LoadScenarioFile(scenario);
    if (!loaded.machine) {
        std::cerr << "fwinspect: bad scenario: " << loaded.error << "\n";
        return 2;
    }
    const auto writeFile = [](const std::string& path, const std::string& text) {
        std::ofstream file(path, std::ios::binary);
        file << text;
        return static_cast<bool>(file.flush());
    };
    const int code = inspect::RunInspector("fwinspect [SCENARIO.json]", args,
                                           loaded.machine->Platform(), writeFile);
    std::cout << loaded.machine->Console().Transcript() << std::flush;
    return code;
}
