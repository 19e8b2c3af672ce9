#include "inbox/inbox_identify.h"

#include <algorithm>
#include <vector>

#include "inbox/identify_controller.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"

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

    // The data stands at a fixed offset. An answer whose descriptor returns less than the whole
    // Identify data (ProtocolDataLength, the check Microsoft's own sample makes), or whose data is
    // all zero, names no drive: it is no identification.
    const std::span<const std::uint8_t> data = std::span<const std::uint8_t>(buffer).subspan(
        query::kIdentifyDataOffset, query::kIdentifyDataSize);
    if (platform::GetU32(buffer, query::kProtocolDataLengthOffset) < query::kIdentifyDataSize ||
        std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; })) {
        const model::StopPoint stop = model::StoppedAt(Stage::Identify);
        events.IdentificationStopped(disk, {IdentifyEnd::NoIdentifyData, stop});
        return {IdentifyStatus::NotIdentified, stop, {}, {}};
    }
    FillIdentity(data, disk);
    disk.PortNumber = -1;
    return {IdentifyStatus::Identified, model::StoppedAt(Stage::Done),
            std::vector<std::uint8_t>(data.begin(), data.end()), std::move(disk)};
}

}  // namespace inbox
