#pragma once

#include "app/disk_inventory.h"
#include "platform/platform.h"
#include "platform/updater_services.h"

namespace app {

// What a run leaves behind besides its output: its journal (why each device was taken or left,
// where each identification and update stopped), the disks it selected, as the report settled
// them, and whether one of the maker's drives was left behind.
struct RunRecord {
    RunJournal Journal;
    model::DiskList SelectedDisks;
    bool AllAccountedFor = false;  // DiskInventory::AllAccountedFor
};

// One whole run: argument check, run lock, image, banner, battery check, discovery, updates,
// report, the run's event, pause. argc counts the program name, as main() receives it. Returns the
// exit code; fills `record` when one is given.
int RunTool(int argc, platform::Platform& platform, platform::UpdaterServices& services,
            RunRecord* record = nullptr);

}  // namespace app
