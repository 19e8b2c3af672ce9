#include "rst/raid_query.h"

#include <optional>
#include <vector>

#include "rst/rst_identify.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

namespace {

using Stage = model::StopStage;

// What the driver answered to one GET_RAID_CONFIG.
enum class Answer { CallFailed, Refused, TooSmall, Configuration };

Answer Ask(platform::Platform& platform, const platform::DeviceHandle& handle,
           std::vector<std::uint8_t>& request, win::Dword& error) {
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    if (!result.Ok) {
        error = result.Error;
        return Answer::CallFailed;
    }
    switch (ReturnCodeOf(request)) {
        case 0:
        // The set changed while the driver answered: the answer still names its drives, as the
        // public tools take it.
        case layout::kCsmiRaidSetDataChanged:
            return Answer::Configuration;
        case layout::kCsmiRaidSetBufferTooSmall:
            return Answer::TooSmall;
        default:
            return Answer::Refused;
    }
}

// How many entries a second request makes room for, or nothing when the first answer needs no
// second: the count the driver gave when it is larger than the buffer held, else CSMI's largest
// set when the driver named no usable count but said the buffer was too small.
std::optional<std::size_t> RoomToAskFor(Answer answer, const std::vector<std::uint8_t>& first) {
    const std::uint8_t count = CsmiDriveCount(first);
    if (count == layout::kCsmiDriveCountTooBig) {
        return layout::kCsmiRetryEntryCount;
    }
    if (count != layout::kCsmiDriveCountSuppressed && count > CsmiEntriesThatFit(first.size())) {
        return count;
    }
    if (answer == Answer::TooSmall) {
        return layout::kCsmiRetryEntryCount;
    }
    return std::nullopt;
}

struct Members {
    std::vector<std::uint8_t> ports;  // the ports of the entries that could be read
    std::vector<bool> nvme;           // each entry's bModel names an NVMe drive
    std::size_t listed = 0;           // bDriveCount of the answer
};

// The members of an answer that names them: never beyond the buffer.
Members MembersOf(const std::vector<std::uint8_t>& answer) {
    Members members;
    members.listed = CsmiDriveCount(answer);
    for (std::size_t i = 0; i < members.listed; ++i) {
        const std::optional<std::uint8_t> port = CsmiMemberPort(answer, i);
        if (!port) {
            break;
        }
        members.ports.push_back(*port);
        members.nvme.push_back(CsmiMemberIsNvme(answer, i));
    }
    return members;
}

bool CountGiven(const std::vector<std::uint8_t>& answer) {
    const std::uint8_t count = CsmiDriveCount(answer);
    return count != layout::kCsmiDriveCountTooBig && count != layout::kCsmiDriveCountSuppressed;
}

}  // namespace

QueryOutcome QueryRaidMembers(platform::Platform& platform, model::RunEvents& events,
                              const model::DiskRecord& volume, std::uint32_t raidSetIndex,
                              SetAsked asked) {
    using model::IdentifyEnd;
    const auto stopped = [&](IdentifyEnd end, const model::StopPoint& stop) {
        events.IdentificationStopped(volume, {end, stop, raidSetIndex, 0, 0});
        return stop;
    };
    std::vector<std::uint8_t> request(layout::kCsmiRequestSize);
    FillCsmiRaidConfigRequest(request, raidSetIndex);

    platform::OpenResult opened =
        platform.io.Open(volume.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.Handle.Valid()) {
        return {QueryStatus::Answered,
                stopped(IdentifyEnd::NotOpened, model::StoppedAt(Stage::Open, opened.Error)),
                {}};
    }
    win::Dword error = 0;
    Answer answer = Ask(platform, opened.Handle, request, error);
    // When the set has more members than the first answer holds, the configuration is asked
    // again, once, with room for them; if a second answer to a complete first one does not
    // come, the entries of the first are taken.
    const std::optional<std::size_t> room =
        answer == Answer::CallFailed || answer == Answer::Refused ? std::nullopt
                                                                  : RoomToAskFor(answer, request);
    if (room) {
        std::vector<std::uint8_t> larger(layout::CsmiBufferSize(*room));
        FillCsmiRaidConfigRequest(larger, raidSetIndex);
        win::Dword secondError = 0;
        const Answer second = Ask(platform, opened.Handle, larger, secondError);
        if (second == Answer::Configuration || answer != Answer::Configuration ||
            !CountGiven(request)) {
            answer = second;
            error = secondError;
            request = std::move(larger);
        }
    }
    const std::uint32_t returnCode = ReturnCodeOf(request);
    const bool outOfRange =
        answer == Answer::Refused && returnCode == layout::kCsmiRaidSetOutOfRange;
    if ((asked == SetAsked::PastVolumes && outOfRange) ||
        (asked == SetAsked::WithoutVolumes && answer != Answer::Configuration)) {
        QueryOutcome none{
            QueryStatus::Answered, model::StoppedAt(Stage::RaidQuery, error, returnCode), {}};
        none.NoSuchSet = true;
        return none;
    }
    if (answer == Answer::CallFailed) {
        return {QueryStatus::Failed,
                stopped(IdentifyEnd::RaidQueryFailed, model::StoppedAt(Stage::RaidQuery, error)),
                {}};
    }
    if (answer != Answer::Configuration) {
        return {QueryStatus::Failed,
                stopped(IdentifyEnd::RaidQueryRefused,
                        model::StoppedAt(Stage::RaidQuery, 0, returnCode)),
                {}};
    }
    if (!CountGiven(request)) {
        return {QueryStatus::Answered,
                stopped(IdentifyEnd::MembersNotListed,
                        model::StoppedAt(Stage::RaidQuery, 0, returnCode)),
                {}};
    }
    // The controller stays open while the members are identified through their own handles.
    QueryOutcome outcome{QueryStatus::Answered, model::StoppedAt(Stage::Done, 0, returnCode), {}};
    outcome.Listed = true;
    const Members members = MembersOf(request);
    outcome.MembersListed = members.listed;
    // A set of no drives names none: its members cannot be told.
    if (members.listed == 0) {
        events.IdentificationStopped(volume,
                                     {IdentifyEnd::MembersNotListed, outcome.Stop, raidSetIndex});
    }
    // Members that could not be read cannot be updated: say so, and the run cannot succeed.
    if (members.ports.size() < members.listed) {
        events.IdentificationStopped(volume, {IdentifyEnd::MembersUnread, outcome.Stop,
                                              raidSetIndex, members.listed, members.ports.size()});
    }
    for (std::size_t i = 0; i < members.ports.size(); ++i) {
        model::DiskRecord member =
            model::MakeCandidate(volume.DevicePath, members.ports[i], model::AccessKind::RstRaid);
        member.RaidSetIndex = static_cast<std::int32_t>(raidSetIndex);
        member.KnownNvme = members.nvme[i];
        outcome.Members.push_back({member, IdentifyRstDisk(platform, events, member)});
    }
    return outcome;
}

}  // namespace rst
