#include "bench/whole_run.h"

#include "app/console_events.h"
#include "app/disk_inventory.h"
#include "app/run_tool.h"
#include "bench/guarded_platform.h"
#include "image/firmware_image.h"
#include "sim/scaled_machine.h"

namespace bench {

WholeRunResult RunWholeTool(std::uint32_t drives, bool countHeap) {
    std::unique_ptr<sim::SimMachine> machine =
        sim::BuildScaledMachine(sim::HalfInboxHalfRst(drives));
    WholeRunResult result;
    if (countHeap) {
        image::TheFirmwareImage() = {};
        CountingPlatform counting(machine->Platform());
        StartHeapCount();
        result.exitCode = app::RunTool(machine->Argc(), counting.Platform(), machine->Services());
        result.heap = StopHeapCount();
        result.reportChars = counting.Console().LongestWideLine();
        result.liveAtReport = counting.Console().LiveAtLongestWideLine();
    } else {
        result.exitCode = app::RunTool(machine->Argc(), machine->Platform(), machine->Services());
    }
    result.clean = machine->OpenHandleCount() == 0 && machine->OpenListCount() == 0 &&
                   machine->Misuse().empty();
    return result;
}

HeapFigures UpdatesHeap(std::uint32_t drives) {
    std::unique_ptr<sim::SimMachine> machine =
        sim::BuildScaledMachine(sim::HalfInboxHalfRst(drives));
    image::FirmwareImage image;
    image::PrepareFirmwareImage(
        image, std::span<const std::uint8_t>(image::kCarriedImage, image::kImageSize));
    CountingPlatform counting(machine->Platform());
    app::DiskInventory inventory;
    model::DiskList selected;
    app::ConsoleEvents events(counting.Platform().console);
    StartHeapCount();
    inventory.RunUpdates(counting.Platform(), events, image, selected);
    return StopHeapCount();
}

}  // namespace bench
