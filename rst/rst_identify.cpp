#include "rst/rst_identify.h"

#include <vector>

#include "discovery/identify_controller_data.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

namespace {

constexpr int kStatusIdentified = 0;
constexpr int kStatusRequestFailed = 5;
constexpr int kStatusNoResources = 8;

std::u16string FieldText(std::span<const std::uint8_t> identify, std::size_t offset,
                         std::size_t size) {
    platform::CheckFits(identify.size(), offset, size);
    // Keeps zero bytes; the inbox road stops. NVMe pads with blanks: only zero padding differs.
    return platform::WidenSigned(identify.subspan(offset, size));
}

}  // namespace

void ApplyIdentifyData(std::span<const std::uint8_t> identify, discovery::DiskRecord& disk) {
    using namespace discovery::identify;
    disk.SerialNumber = FieldText(identify, kSerialNumberOffset, kSerialNumberSize);
    disk.ModelNumber = FieldText(identify, kModelNumberOffset, kModelNumberSize);
    disk.FirmwareRevision = FieldText(identify, kFirmwareRevisionOffset, kFirmwareRevisionSize);
    disk.UpdateGranularity = discovery::UpdateGranularityFromIdentify(identify);
}

int IdentifyRstDisk(platform::Platform& platform, discovery::DiskRecord disk,
                    discovery::DiskList& identified) {
    std::vector<std::uint8_t> request(layout::kNvmRequestSize);
    FillIdentifyPassThrough(request, PathIdentifier(disk.PortNumber));

    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, win::kFileAttributeNormal);
    if (!opened.handle.Valid()) {
        return kStatusNoResources;
    }
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlScsiMiniport, request);
    if (!result.ok) {
        return kStatusRequestFailed;
    }
    // The driver's ReturnCode and the completion entry are not examined: the data area is
    // taken as it stands.
    ApplyIdentifyData(PassThroughData(request), disk);
    identified.push_back(disk);
    return kStatusIdentified;
}

}  // namespace rst
