#include "rst/raid_query.h"

#include <optional>
#include <vector>

#include "platform/text.h"
#include "rst/rst_identify.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

namespace {

constexpr int kStatusAnswered = 0;
constexpr int kStatusFailed = 5;

bool Answered(platform::Platform& platform, const platform::DeviceHandle& handle,
              std::vector<std::uint8_t>& request) {
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    return result.ok && ReturnCodeOf(request) == 0;
}

// The member ports of the answer: never beyond the buffer. When the set has more members than
// the first answer holds, the configuration is asked again with room for all of them; if that
// second answer does not come, the entries of the first are taken.
std::vector<std::uint8_t> MemberPorts(platform::Platform& platform,
                                      const platform::DeviceHandle& handle,
                                      std::uint32_t raidSetIndex,
                                      const std::vector<std::uint8_t>& firstAnswer) {
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
    const std::size_t count = CsmiDriveCount(*answer);
    std::vector<std::uint8_t> ports;
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<std::uint8_t> port = CsmiMemberPort(*answer, i);
        if (!port) {
            break;
        }
        ports.push_back(*port);
    }
    return ports;
}

}  // namespace

int QueryRaidMembers(platform::Platform& platform, discovery::DiskRecord volume,
                     std::uint32_t raidSetIndex, discovery::DiskList& identified) {
    std::vector<std::uint8_t> request(layout::kCsmiRequestSize);
    FillCsmiRaidConfigRequest(request, raidSetIndex);

    platform::OpenResult opened =
        platform.io.Open(volume.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.handle.Valid()) {
        return kStatusAnswered;
    }
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlScsiMiniport, request);
    if (!result.ok) {
        platform.console.PrintWide(u"  [ERROR] CSMI GET RAID CONFIG IOCTL failed: 0x" +
                                   platform::ToU16(platform::HexUpper(result.error)) + u"\n\n");
        return kStatusFailed;
    }
    const std::uint32_t returnCode = ReturnCodeOf(request);
    if (returnCode != 0) {
        platform.console.WriteNarrow("  [ERROR] CSMI GET RAID CONFIG ReturnCode: 0x" +
                                     platform::HexLower(returnCode) + "\n\n");
        return kStatusFailed;
    }
    // The controller stays open while the members are identified through their own handles.
    for (std::uint8_t port : MemberPorts(platform, opened.handle, raidSetIndex, request)) {
        const discovery::DiskRecord member =
            discovery::MakeCandidate(volume.DevicePath, port, discovery::kAccessRstRaid);
        IdentifyRstDisk(platform, member, identified);
    }
    return kStatusAnswered;
}

}  // namespace rst
