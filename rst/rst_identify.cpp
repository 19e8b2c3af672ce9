#include "rst/rst_identify.h"

#include <vector>

#include "discovery/identify_controller_data.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

void ApplyIdentifyData(std::span<const std::uint8_t> identify, model::DiskRecord& disk) {
    const discovery::IdentifyController id =
        discovery::ReadIdentifyController(identify, discovery::TextRule::KeepEveryByte);
    discovery::ApplyIdentity(id, disk);
    disk.PciVendorId = id.PciVendorId;
}

bool GaveNoIdentifyData(IdentifyStatus status, std::span<const std::uint8_t> identify) {
    return status != IdentifyStatus::Identified ||
           identify.size() < discovery::identify::kDataSize ||
           discovery::ReadIdentifyController(identify, discovery::TextRule::KeepEveryByte)
                   .PciVendorId == 0;
}

IdentifyOutcome IdentifyRstDisk(platform::Platform& platform, model::RunEvents& events,
                                model::DiskRecord disk, model::DiskList& identified) {
    using Stage = model::StopStage;
    std::vector<std::uint8_t> request(layout::kNvmRequestSize);
    FillIdentifyPassThrough(request, PathIdentifier(disk.PortNumber));

    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, win::kFileAttributeNormal);
    if (!opened.handle.Valid()) {
        if (disk.KnownNvme) {
            events.OpenFailed(model::HandleOf::Disk, opened.error);
        }
        return {IdentifyStatus::NotOpened, model::StoppedAt(Stage::Open, opened.error), {}};
    }
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlScsiMiniport, request);
    if (!result.ok) {
        if (disk.KnownNvme) {
            events.IdentifyFailed(result.error);
        }
        return {IdentifyStatus::RequestFailed, model::StoppedAt(Stage::Identify, result.error), {}};
    }
    // The driver's ReturnCode and the completion entry are not examined: the data area is
    // taken as it stands.
    const std::span<const std::uint8_t> data = PassThroughData(request);
    ApplyIdentifyData(data, disk);
    if (disk.KnownNvme && disk.PciVendorId == 0) {
        events.NoIdentifyData(PathIdentifier(disk.PortNumber));
    }
    identified.push_back(disk);
    return {IdentifyStatus::Identified, model::StoppedAt(Stage::Done, 0, ReturnCodeOf(request)),
            std::vector<std::uint8_t>(data.begin(), data.end())};
}

}  // namespace rst
