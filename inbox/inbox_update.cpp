#include "inbox/inbox_update.h"

#include <memory>
#include <span>

#include "discovery/target_disk_block.h"
#include "image/piece_plan.h"
#include "inbox/miniport_request.h"
#include "platform/miniport_layout.h"

namespace inbox {

namespace {

constexpr int kStatusActivated = 0;
constexpr int kStatusRefused = 1;
constexpr int kStatusNotCarriedOut = 5;

// One IOCTL_SCSI_MINIPORT exchange: false when the call or the miniport's ReturnCode failed.
bool SendFirmwareRequest(platform::Platform& platform, const platform::DeviceHandle& handle,
                         std::span<std::uint8_t> buffer) {
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, buffer);
    return result.ok && FirmwareReturnCode(buffer) == platform::miniport::kFirmwareStatusSuccess;
}

}  // namespace

int UpdateInboxDisk(platform::Platform& platform, const discovery::DiskRecord& disk,
                    const image::FirmwareImage& image, std::uint32_t byteCount) {
    // " Update FW : " where the RST road prints " Updated FW : ": each road's text is fixed.
    discovery::PrintTargetDiskBlock(platform.console, disk, image.ImageRevision, u" Update FW : ");

    // Unlike RST (one 4 KiB unit), this road refuses, before opening the disk, a granularity no
    // Identify answer can give: it would make no progress or an unreasonable buffer. Likewise no
    // byte beyond the working copy is ever sent.
    if (!image::IsPossibleGranularity(disk.UpdateGranularity) ||
        byteCount > image.WorkingCopy.size()) {
        return kStatusNotCarriedOut;
    }
    const std::size_t pieceSize = image::PieceSizeOf(disk.UpdateGranularity);
    // Not cleared here: the get-info request, the first one built in it, clears it whole.
    const std::size_t bufferSize = MiniportBufferSize(pieceSize);
    const auto storage = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
    const std::span<std::uint8_t> buffer(storage.get(), bufferSize);

    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.handle.Valid()) {
        return kStatusNotCarriedOut;
    }

    BuildFirmwareRequest(buffer, platform::miniport::kFirmwareFunctionGetInfo);
    if (!SendFirmwareRequest(platform, opened.handle, buffer)) {
        return kStatusNotCarriedOut;
    }
    const SlotAnswer slot = ChooseWritableSlot(buffer);
    if (slot.choice == SlotChoice::Malformed) {
        return kStatusNotCarriedOut;
    }
    if (slot.choice == SlotChoice::NotUpdatable) {
        return kStatusRefused;
    }

    // Whole pieces, then whatever remains as a shorter last piece in the same buffer: only
    // BufferSize shrinks, the request and data-area lengths stay those of the buffer.
    for (const image::Piece piece : image::PiecePlan(image, byteCount, pieceSize)) {
        BuildDownloadRequest(buffer, piece.offset, piece.bytes);
        if (!SendFirmwareRequest(platform, opened.handle, buffer)) {
            return kStatusNotCarriedOut;
        }
    }

    // The slot get-info named; the RST road has no get-info and always activates slot 2.
    BuildActivateRequest(buffer, slot.slot);
    if (!platform.io.Control(opened.handle, win::kIoctlScsiMiniport, buffer).ok) {
        return kStatusNotCarriedOut;
    }
    // A power cycle being required is still an accepted activation.
    const std::uint32_t returnCode = FirmwareReturnCode(buffer);
    return (returnCode & ~platform::miniport::kFirmwareStatusPowerCycleRequired) == 0
               ? kStatusActivated
               : kStatusRefused;
}

}  // namespace inbox
