#include "rst/raid_query.h"

#include <optional>
#include <vector>

#include "platform/text.h"
#include "rst/rst_identify.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

namespace {

bool Answered(platform::Platform& platform, const platform::DeviceHandle& handle,
              std::vector<std::uint8_t>& request) {
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    return result.ok && ReturnCodeOf(request) == 0;
}

struct Members {
    std::vector<std::uint8_t> ports;  // the ports of the entries that could be read
    std::size_t listed = 0;           // bDriveCount of the answer
};

// The member ports of the answer: never beyond the buffer. When the set has more members than
// the first answer holds, the configuration is asked again with room for all of them; if that
// second answer does not come, the entries of the first are taken.
Members MemberPorts(platform::Platform& platform, const platform::DeviceHandle& handle,
                    std::uint32_t raidSetIndex, const std::vector<std::uint8_t>& firstAnswer) {
    const std::size_t driveCount = CsmiDriveCount(firstAnswer);
    const std::vector<std::uint8_t>* answer = &firstAnswer;
    std::vector<std::uint8_t> larger;
    if (driveCount > CsmiEntriesThatFit(firstAnswer.size())) {
        larger.resize(layout::CsmiBufferSize(driveCount));
        FillCsmiRaidConfigRequest(larger, raidSetIndex);
        if (Answered(platform, handle, larger)) {
            answer = &larger;
        }
    }
    Members members;
    members.listed = CsmiDriveCount(*answer);
    for (std::size_t i = 0; i < CsmiDriveCount(*answer); ++i) {
        const std::optional<std::uint8_t> port = CsmiMemberPort(*answer, i);
        if (!port) {
            break;
        }
        members.ports.push_back(*port);
    }
    return members;
}

}  // namespace

QueryOutcome QueryRaidMembers(platform::Platform& platform, discovery::RunEvents& events,
                              discovery::DiskRecord volume, std::uint32_t raidSetIndex,
                              discovery::DiskList& identified) {
    using Stage = discovery::StopPoint::Stage;
    std::vector<std::uint8_t> request(layout::kCsmiRequestSize);
    FillCsmiRaidConfigRequest(request, raidSetIndex);

    platform::OpenResult opened =
        platform.io.Open(volume.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.handle.Valid()) {
        return {QueryStatus::Answered, discovery::StoppedAt(Stage::Open, opened.error), {}};
    }
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlScsiMiniport, request);
    if (!result.ok) {
        events.RaidQueryFailed(result.error);
        return {QueryStatus::Failed, discovery::StoppedAt(Stage::RaidQuery, result.error), {}};
    }
    const std::uint32_t returnCode = ReturnCodeOf(request);
    if (returnCode != 0) {
        events.RaidQueryRefused(returnCode);
        return {QueryStatus::Failed, discovery::StoppedAt(Stage::RaidQuery, 0, returnCode), {}};
    }
    // The controller stays open while the members are identified through their own handles.
    QueryOutcome outcome{QueryStatus::Answered, discovery::StoppedAt(Stage::Done), {}};
    const Members members = MemberPorts(platform, opened.handle, raidSetIndex, request);
    outcome.listedMembers = members.listed;
    // Members that could not be read cannot be updated: say so, and the run cannot succeed.
    if (members.ports.size() < members.listed) {
        events.RaidMembersUnread(raidSetIndex, members.listed, members.ports.size());
    }
    for (std::uint8_t port : members.ports) {
        const discovery::DiskRecord member =
            discovery::MakeCandidate(volume.DevicePath, port, discovery::AccessPath::RstRaid);
        outcome.members.push_back({member, IdentifyRstDisk(platform, member, identified)});
    }
    return outcome;
}

}  // namespace rst
