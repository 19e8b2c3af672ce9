// The invariants every run of the tool must keep, whatever the machine did to it: nothing left
// open, the report printed with every selected disk, an exit code that never calls a failed
// update a success, and no drive asked to activate an image it did not receive whole.
#pragma once

#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/scenario_runner.h"
#include "sim/sim_machine.h"

namespace reliability {

struct ReportedDisk {
    int number = 0;
    std::string serial;  // trailing blanks removed
    std::string result;  // the text after "Result Details : "
};

struct Report {
    int finalResultCount = 0;  // how many "[Final Result]" headings were printed
    bool noDisk = false;
    std::vector<ReportedDisk> disks;
};

// "default" (the embedded machine) and every sim/scenarios/reliability_*.json, by name.
std::vector<std::string> ReliabilityScenarios();
sim::LoadResult LoadReliabilityScenario(const std::string& name);

// Reads the report part of a transcript (everything from "Start Time : " on).
Report ParseReport(const std::string& transcript);

// Every rule the run broke, one line each; empty for a sound run.
std::vector<std::string> CheckRun(const sim::SimMachine& machine, const sim::RunOutcome& outcome);

// Whether the run's record names the failed call: a device decision, an identification, a RAID
// query, a member or an update that stopped with its system error (an open at the Open stage).
bool RecordNamesFailure(const app::RunRecord& record, const sim::CallRecord& failed);

// Drives that were asked to activate an image they did not receive whole, in order.
int WrongActivations(const sim::SimMachine& machine);

}  // namespace reliability
