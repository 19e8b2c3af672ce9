#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "discovery/disk_record.h"
#include "discovery/result_code.h"
#include "discovery/run_events.h"
#include "discovery/stop_point.h"
#include "image/firmware_image.h"
#include "platform/platform.h"

namespace rst {

enum class DownloadStatus : std::int32_t { Accepted = 0, Failed = 1 };
enum class ActivationStatus : std::int32_t { Activated = 0, Failed = 1, RebootRequired = 1602 };

struct [[nodiscard]] DownloadOutcome {
    DownloadStatus status = DownloadStatus::Failed;
    discovery::StopPoint stop;
};

struct [[nodiscard]] ActivationOutcome {
    ActivationStatus status = ActivationStatus::Failed;
    discovery::StopPoint stop;
};

// On this access path the update gives the disk's ResultCode itself: Updated, Failed, NotCarriedOut
// or RebootRequired (the drive needs a power cycle, or already holds the image for its next reset).
struct [[nodiscard]] UpdateOutcome {
    discovery::ResultCode result = discovery::ResultCode::NotCarriedOut;
    discovery::StopPoint stop;
};

// A rerun before the reboot: the answered slot log request names a slot to be activated at the
// next reset that holds the image. The one test of the update and the inspector.
bool SlotLogShowsImageAwaitingReset(std::span<const std::uint8_t> request,
                                    std::u16string_view imageRevision);

UpdateOutcome UpdateRstDisk(platform::Platform& platform, discovery::RunEvents& events,
                            const discovery::DiskRecord& disk, const image::FirmwareImage& image,
                            std::uint32_t imageSize);
// Accepted when every piece was accepted.
DownloadOutcome DownloadRstFirmware(platform::Platform& platform, discovery::RunEvents& events,
                                    const platform::DeviceHandle& handle,
                                    const discovery::DiskRecord& disk,
                                    const image::FirmwareImage& image, std::uint32_t imageSize);
ActivationOutcome ActivateRstFirmware(platform::Platform& platform, discovery::RunEvents& events,
                                      const platform::DeviceHandle& handle,
                                      std::uint8_t pathIdentifier);

}  // namespace rst
