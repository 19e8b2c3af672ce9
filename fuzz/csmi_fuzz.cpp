// The CSMI RAID configuration answer (any drive count, entries cut short, a second answer that
// differs from the first) and the Identify answers of the members it names, all from a driver
// that answers from the fuzzer's bytes. Members are never read from beyond the answer, each one
// is a RAID record of the volume's path with a port of 0-255, and every handle is closed.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

#include "app/console_events.h"
#include "fuzz/fuzz_driver.h"
#include "rst/raid_query.h"
#include "rst/rst_requests.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);

    // The answer readers by themselves, on a buffer of any size.
    {
        const std::vector<std::uint8_t> answer =
            data.ConsumeBytes<std::uint8_t>(data.ConsumeIntegralInRange<std::size_t>(44, 2400));
        const std::size_t fit = rst::CsmiEntriesThatFit(answer.size());
        if (answer.size() > 43) {
            for (std::size_t i = 0; i <= rst::CsmiDriveCount(answer); ++i) {
                if (rst::CsmiMemberPort(answer, i).has_value() != (i < fit)) {
                    fuzzing::Broken("a member port read from outside the answer, or one left out");
                }
            }
        }
    }

    const std::u16string path = u"\\\\?\\pci#ven_8086&dev_282a#rst";
    sim::SimMachine machine;
    machine.AddPath(path, std::make_shared<fuzzing::FuzzDriver>(data, 0));
    app::ConsoleEvents events(machine.Console());
    const rst::QueryOutcome outcome = rst::QueryRaidMembers(
        machine.Platform(), events, model::MakeCandidate(path, -1, model::AccessKind::RstRaid), 0);
    model::DiskList identified;
    for (const rst::MemberIdentification& m : outcome.Members) {
        if (m.Outcome.Record.has_value() != (m.Outcome.Status == rst::IdentifyStatus::Identified)) {
            fuzzing::Broken("a member's record unlike its identification's status");
        }
        if (m.Outcome.Record) {
            identified.push_back(*m.Outcome.Record);
        }
    }
    if (identified.size() > 255) {
        fuzzing::Broken("more members than a CSMI answer can count");
    }
    for (const model::DiskRecord& member : identified) {
        if (member.AccessPath != model::AccessKind::RstRaid || member.DevicePath != path ||
            member.PortNumber < 0 || member.PortNumber > 255) {
            fuzzing::Broken("a member record that does not address a port of the volume");
        }
    }
    fuzzing::CheckNothingLeftOpen(machine);
    return 0;
}
