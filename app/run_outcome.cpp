#include "app/run_outcome.h"

namespace app {

namespace {

using platform::EventType;

struct Row {
    RunEvent event;
    bool (*applies)(const RunFacts&);
};

// The updater never ends with 0 today (every accepted activation waits for a reboot); were it
// to, that would be firmware updated, row 100's kind.
constexpr Row kRows[] = {
    {{102, EventType::Warning},
     [](const RunFacts& f) { return f.ExitCode == 1602 && f.NeedsShutdown; }},
    {{100, EventType::Information},
     [](const RunFacts& f) { return f.ExitCode == 1602 || f.ExitCode == 0; }},
    {{101, EventType::Information}, [](const RunFacts& f) { return f.ExitCode == 4000; }},
    {{200, EventType::Error}, [](const RunFacts& f) { return f.UpdateFailed; }},
    {{201, EventType::Error}, [](const RunFacts& f) { return f.NotAccountedFor; }},
    {{202, EventType::Error}, [](const RunFacts& f) { return f.NoEligibleDrive; }},
    {{203, EventType::Error}, [](const RunFacts& f) { return f.ArgumentGiven; }},
    {{300, EventType::Warning}, [](const RunFacts& f) { return f.AnotherRunGoing; }},
    {{301, EventType::Warning}, [](const RunFacts& f) { return f.LowBattery; }},
};

}  // namespace

RunEvent EventOfRun(const RunFacts& facts) {
    for (const Row& row : kRows) {
        if (row.applies(facts)) {
            return row.event;
        }
    }
    // A failure the table does not name is still a failure.
    return {200, EventType::Error};
}

}  // namespace app
