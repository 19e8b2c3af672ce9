#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "image/firmware_image.h"
#include "model/disk_record.h"
#include "model/result_code.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "platform/platform.h"

namespace rst {

enum class DownloadStatus : std::int32_t { Accepted = 0, Failed = 1 };
enum class ActivationStatus : std::int32_t { Activated = 0, Failed = 1, RebootRequired = 1602 };

struct [[nodiscard]] DownloadOutcome {
    DownloadStatus Status = DownloadStatus::Failed;
    model::StopPoint Stop;
};

struct [[nodiscard]] ActivationOutcome {
    ActivationStatus Status = ActivationStatus::Failed;
    model::StopPoint Stop;
};

// The RST driver's answer to an activation, as its ReturnCode names it.
enum class ActivationAnswer {
    Activated,           // FIRMWARE_STATUS_SUCCESS
    ErrorReturned,       // FIRMWARE_STATUS_ERROR, FIRMWARE_STATUS_CONTROLLER_ERROR
    ParameterError,      // illegal request, invalid parameter, input buffer too big
    InvalidSlot,         // FIRMWARE_STATUS_INVALID_SLOT
    InvalidImage,        // FIRMWARE_STATUS_INVALID_IMAGE
    PowerCycleRequired,  // FIRMWARE_STATUS_POWER_CYCLE_REQUIRED: accepted, runs after a reboot
    Unexpected,          // any other ReturnCode
};
ActivationAnswer ActivationAnswerOf(std::uint32_t returnCode);

// On this access path the update gives the disk's ResultCode itself: Updated, Failed, NotCarriedOut
// or RebootRequired (the drive needs a power cycle, or already holds the image for its next reset).
struct [[nodiscard]] UpdateOutcome {
    model::DiskResult Result = model::DiskResult::NotCarriedOut;
    model::StopPoint Stop;
    // The slot that held the image the last reset did not activate, when the slot log showed one.
    std::optional<std::uint8_t> UnactivatedImageSlot;
};

// A rerun before the reboot: the answered slot log request names a slot to be activated at the
// next reset that holds the image. The one test of the update and the inspector.
bool SlotLogShowsImageAwaitingReset(std::span<const std::uint8_t> request,
                                    std::u16string_view imageRevision);

// A drive that the last reset did not activate: from the answered slot log request, the slot of
// the `slotCount` that FRMW counts, other than the active one, that holds the image while nothing
// is pending (image::SlotOfUnactivatedImage). The one test of the update and the inspector.
std::optional<std::uint8_t> SlotLogShowsUnactivatedImage(std::span<const std::uint8_t> request,
                                                         std::uint8_t slotCount,
                                                         std::u16string_view imageRevision);

// The slot the activation names, from the drive's FRMW: slot 2 on a drive of two or more slots
// (FRMW never makes slot 2 read-only) or one whose FRMW names no slot, slot 1 on a drive whose one
// slot is writable, nothing on a drive whose one slot is read-only. The update and the inspector
// both ask it.
std::optional<std::uint8_t> ActivationSlotOf(const model::DiskRecord& disk);

UpdateOutcome UpdateRstDisk(platform::Platform& platform, model::RunEvents& events,
                            const model::DiskRecord& disk, const image::FirmwareImage& image,
                            std::uint32_t imageSize);
// Accepted when every piece was accepted.
DownloadOutcome DownloadRstFirmware(platform::Platform& platform, model::RunEvents& events,
                                    const platform::DeviceHandle& handle,
                                    const model::DiskRecord& disk,
                                    const image::FirmwareImage& image, std::uint32_t imageSize);
ActivationOutcome ActivateRstFirmware(platform::Platform& platform, model::RunEvents& events,
                                      const platform::DeviceHandle& handle,
                                      const model::DiskRecord& disk);

}  // namespace rst
