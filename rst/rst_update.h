#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "image/firmware_image.h"
#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "model/update_outcome.h"
#include "platform/platform.h"

namespace rst {

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

// On this access path the update gives the disk's code itself: Updated, Failed, NotCarriedOut or
// RebootRequired (the drive needs a power cycle, or already holds the image for its next reset),
// with the driver's answer to the activation where it gave one.
model::UpdateOutcome UpdateRstDisk(platform::Platform& platform, model::RunEvents& events,
                                   const model::DiskRecord& disk, const image::FirmwareImage& image,
                                   std::uint32_t imageSize);

}  // namespace rst
