#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "image/firmware_image.h"
#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "platform/platform.h"

namespace inbox {

enum class UpdateStatus : std::int32_t {
    Activated = 0,      // every request accepted, the activation too (power cycle or not)
    Refused = 1,        // no writable slot, or the activation refused
    NotCarriedOut = 5,  // the disk did not open, or a request failed
    // The slot to be activated at the next reset already holds the image: nothing was sent.
    AlreadyDownloaded = 1602,
};

struct [[nodiscard]] UpdateOutcome {
    UpdateStatus Status = UpdateStatus::NotCarriedOut;
    model::StopPoint Stop;
    // The slot that held the image the last reset did not activate, when get-info showed one.
    std::optional<std::uint8_t> UnactivatedImageSlot;
};

// The get-info exchange of the update and the inspector: builds the request in `buffer` (of
// MiniportBufferSize bytes) and sends it; nothing when the call and the miniport's ReturnCode
// succeeded, else where it failed.
std::optional<model::StopPoint> AskFirmwareInfo(platform::Platform& platform,
                                                const platform::DeviceHandle& handle,
                                                std::span<std::uint8_t> buffer);

// Downloads byteCount bytes of the image through the miniport firmware interface and
// activates them, unless get-info shows the image already waiting for the next reset.
UpdateOutcome UpdateInboxDisk(platform::Platform& platform, model::RunEvents& events,
                              const model::DiskRecord& disk, const image::FirmwareImage& image,
                              std::uint32_t byteCount);

}  // namespace inbox
