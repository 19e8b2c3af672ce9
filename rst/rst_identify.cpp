#include "rst/rst_identify.h"

#include <vector>

#include "discovery/identify_controller_data.h"
#include "platform/byte_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

void ApplyIdentifyData(std::span<const std::uint8_t> identify, model::DiskRecord& disk) {
    const discovery::IdentifyController id =
        discovery::ReadIdentifyController(identify, discovery::TextRule::KeepEveryByte);
    discovery::ApplyIdentity(id, disk);
    disk.PciVendorId = id.PciVendorId;
    disk.FirmwareSlotCount = id.FirmwareSlotCount;
    disk.Slot1ReadOnly = id.Slot1ReadOnly;
}

IdentifyOutcome IdentifyRstDisk(platform::Platform& platform, model::RunEvents& events,
                                model::DiskRecord disk) {
    using model::IdentifyEnd;
    using Stage = model::StopStage;
    std::vector<std::uint8_t> request(layout::kNvmRequestSize);
    FillIdentifyPassThrough(request, PathIdentifier(disk.PortNumber));

    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, win::kFileAttributeNormal);
    if (!opened.Handle.Valid()) {
        const model::StopPoint stop = model::StoppedAt(Stage::Open, opened.Error);
        if (disk.KnownNvme) {
            events.IdentificationStopped(disk, {IdentifyEnd::NotOpened, stop});
        }
        return {IdentifyStatus::NotOpened, stop, {}, {}};
    }
    const platform::ControlResult result =
        platform.io.Control(opened.Handle, win::kIoctlScsiMiniport, request);
    if (!result.Ok) {
        const model::StopPoint stop = model::StoppedAt(Stage::Identify, result.Error);
        if (disk.KnownNvme) {
            events.IdentificationStopped(disk, {IdentifyEnd::RequestFailed, stop});
        }
        return {IdentifyStatus::RequestFailed, stop, {}, {}};
    }
    // A refused request carries no data, whatever its data area holds. The completion entry is
    // not examined: the data area of a command carried out is taken as it stands.
    if (!PassThroughAnswered(request)) {
        const model::StopPoint stop = model::StoppedAt(Stage::Identify, 0, ReturnCodeOf(request));
        if (disk.KnownNvme) {
            events.IdentificationStopped(disk, {IdentifyEnd::PassThroughRefused, stop});
        }
        return {IdentifyStatus::Refused, stop, {}, {}};
    }
    const std::span<const std::uint8_t> data = PassThroughData(request);
    ApplyIdentifyData(data, disk);
    const model::StopPoint stop = model::StoppedAt(Stage::Done, 0, ReturnCodeOf(request));
    if (disk.KnownNvme && disk.PciVendorId == 0) {
        events.IdentificationStopped(disk, {IdentifyEnd::NoIdentifyData, stop});
    }
    return {IdentifyStatus::Identified, stop, std::vector<std::uint8_t>(data.begin(), data.end()),
            std::move(disk)};
}

}  // namespace rst
