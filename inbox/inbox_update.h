#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "image/firmware_image.h"
#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "model/update_outcome.h"
#include "platform/platform.h"

namespace inbox {

// The get-info exchange of the update and the inspector: builds the request in `buffer` (of
// MiniportBufferSize bytes) and sends it; nothing when the call and the miniport's ReturnCode
// succeeded, else where it failed.
std::optional<model::StopPoint> AskFirmwareInfo(platform::Platform& platform,
                                                const platform::DeviceHandle& handle,
                                                std::span<std::uint8_t> buffer);

// Downloads byteCount bytes of the image through the miniport firmware interface and
// activates them, unless get-info shows the image already waiting for the next reset. The
// result: RebootRequired when every request was accepted, the activation too (power cycle or
// not), or when the image already waits; Failed when no slot is writable or the activation was
// refused; NotCarriedOut when the disk did not open or a request failed.
model::UpdateOutcome UpdateInboxDisk(platform::Platform& platform, model::RunEvents& events,
                                     const model::DiskRecord& disk,
                                     const image::FirmwareImage& image, std::uint32_t byteCount);

}  // namespace inbox
