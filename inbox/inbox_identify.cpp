#include "inbox/inbox_identify.h"

#include <string>
#include <vector>

#include "inbox/identify_controller.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "platform/text.h"

namespace inbox {

void BuildIdentifyQuery(std::span<std::uint8_t> buffer) {
    using namespace query;
    platform::PutU32(buffer, kPropertyIdOffset, kStorageAdapterProtocolSpecificProperty);
    platform::PutU32(buffer, kQueryTypeOffset, kPropertyStandardQuery);
    platform::PutU32(buffer, kProtocolTypeOffset, kProtocolTypeNvme);
    platform::PutU32(buffer, kDataTypeOffset, kNvmeDataTypeIdentify);
    platform::PutU32(buffer, kRequestValueOffset, kIdentifyCnsController);
    platform::PutU32(buffer, kRequestSubValueOffset, 0);
    platform::PutU32(buffer, kProtocolDataOffsetOffset,
                     static_cast<std::uint32_t>(kProtocolSpecificDataSize));
    platform::PutU32(buffer, kProtocolDataLengthOffset,
                     static_cast<std::uint32_t>(kIdentifyDataSize));
}

IdentifyOutcome IdentifyInboxDisk(platform::Platform& platform, model::RunEvents& events,
                                  model::DiskRecord disk) {
    using model::IdentifyEnd;
    using Stage = model::StopStage;
    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.Handle.Valid()) {
        const model::StopPoint stop = model::StoppedAt(Stage::Open, opened.Error);
        events.IdentificationStopped(disk, {IdentifyEnd::NotOpened, stop});
        return {IdentifyStatus::NotIdentified, stop, {}, {}};
    }

    std::vector<std::uint8_t> buffer(query::kBufferSize, 0);
    BuildIdentifyQuery(buffer);
    const platform::ControlResult result =
        platform.io.Control(opened.Handle, win::kIoctlStorageQueryProperty, buffer);
    if (!result.Ok) {
        const model::StopPoint stop = model::StoppedAt(Stage::Identify, result.Error);
        events.IdentificationStopped(disk, {IdentifyEnd::RequestFailed, stop});
        return {IdentifyStatus::NotIdentified, stop, {}, {}};
    }

    // The data stands at a fixed offset; the descriptor the driver wrote is not consulted.
    const std::span<const std::uint8_t> data = std::span<const std::uint8_t>(buffer).subspan(
        query::kIdentifyDataOffset, query::kIdentifyDataSize);
    FillIdentity(data, disk);
    disk.PortNumber = -1;
    return {IdentifyStatus::Identified, model::StoppedAt(Stage::Done),
            std::vector<std::uint8_t>(data.begin(), data.end()), std::move(disk)};
}

}  // namespace inbox
