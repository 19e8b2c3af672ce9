// Identify Controller data as either access path receives it, from a driver that may answer
// anything, then the report of the identities read. Both access paths must agree on the
// granularity, which must lie in 1-255, and every handle must be closed again.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

#include "app/console_events.h"
#include "app/run_context.h"
#include "fuzz/fuzz_driver.h"
#include "image/firmware_image.h"
#include "inbox/identify_controller.h"
#include "inbox/inbox_identify.h"
#include "rst/rst_identify.h"

namespace {

constexpr std::size_t kIdentifySize = 4096;

void CheckGranularity(std::int32_t granularity) {
    if (granularity < 1 || granularity > 255) {
        fuzzing::Broken("a granularity outside 1-255");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    image::PrepareFirmwareImage();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);

    // The pure readers on one block of Identify data.
    std::vector<std::uint8_t> identify = data.ConsumeBytes<std::uint8_t>(kIdentifySize);
    identify.resize(kIdentifySize);
    model::DiskRecord viaInbox, viaRst;
    inbox::FillIdentity(identify, viaInbox);
    rst::ApplyIdentifyData(identify, viaRst);
    CheckGranularity(viaInbox.UpdateGranularity);
    if (viaInbox.UpdateGranularity != viaRst.UpdateGranularity) {
        fuzzing::Broken("the two access paths read different granularities from the same data");
    }
    if (viaInbox.SerialNumber.size() > 20 || viaInbox.ModelNumber.size() > 40 ||
        viaInbox.FirmwareRevision.size() > 8 || viaRst.FirmwareRevision.size() != 8) {
        fuzzing::Broken("an identity field longer than its Identify field");
    }

    // Both access paths against a driver that answers from the fuzzer's bytes.
    sim::SimMachine machine;
    auto driver = std::make_shared<fuzzing::FuzzDriver>(data, 0);
    machine.AddPath(u"\\\\.\\PHYSICALDRIVE1", driver);
    machine.AddPath(u"\\\\?\\pci#ven_8086&dev_282a#rst", driver);
    model::DiskList identified;
    app::ConsoleEvents events(machine.Console());
    const inbox::IdentifyOutcome inboxOutcome = inbox::IdentifyInboxDisk(
        machine.Platform(), events,
        model::MakeCandidate(u"\\\\.\\PHYSICALDRIVE1", -1, model::AccessKind::Inbox));
    const rst::IdentifyOutcome rstOutcome = rst::IdentifyRstDisk(
        machine.Platform(), events,
        model::MakeCandidate(u"\\\\?\\pci#ven_8086&dev_282a#rst",
                             data.ConsumeIntegral<std::uint8_t>(), model::AccessKind::RstDisk));
    for (const auto* record : {&inboxOutcome.Record, &rstOutcome.Record}) {
        if (*record) {
            identified.push_back(**record);
        }
    }
    // An identified disk hands back the whole Identify data it was read from, no other does.
    if (inboxOutcome.Identify.size() !=
            (inboxOutcome.Status == inbox::IdentifyStatus::Identified ? 4096u : 0u) ||
        rstOutcome.Identify.size() !=
            (rstOutcome.Status == rst::IdentifyStatus::Identified ? 4096u : 0u)) {
        fuzzing::Broken("Identify data handed back unlike the identification's status");
    }
    fuzzing::CheckNothingLeftOpen(machine);

    // The report of whatever was read.
    app::RunContext context(machine.Platform());
    context.SelectedDisks = identified;
    context.SelectedDisks.push_back(viaInbox);
    context.SelectedDisks.push_back(viaRst);
    for (model::DiskRecord& disk : context.SelectedDisks) {
        CheckGranularity(disk.UpdateGranularity);
        disk.ResultCode =
            static_cast<model::DiskResult>(data.PickValueInArray({0, 1, 5, 20, 1602}));
    }
    const std::int32_t result = context.ReportResults(image::TheFirmwareImage());
    if (result != 1 && result != 1602 && result != 4000 && result != 0) {
        fuzzing::Broken("an exit code outside 0, 1, 1602, 4000");
    }
    return 0;
}
