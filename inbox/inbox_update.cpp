#include "inbox/inbox_update.h"

#include <memory>
#include <optional>
#include <span>

#include "image/piece_plan.h"
#include "inbox/miniport_request.h"
#include "platform/miniport_layout.h"

namespace inbox {

namespace {

using model::DiskResult;
using model::StopPoint;
using model::UpdateOutcome;
using Stage = model::StopStage;

// One IOCTL_SCSI_MINIPORT exchange: nothing when the call and the miniport's ReturnCode
// succeeded, else where and how it failed.
std::optional<StopPoint> SendFirmwareRequest(platform::Platform& platform,
                                             const platform::DeviceHandle& handle,
                                             std::span<std::uint8_t> buffer, Stage stage) {
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, buffer);
    if (!result.Ok) {
        return model::StoppedAt(stage, result.Error);
    }
    const std::uint32_t returnCode = FirmwareReturnCode(buffer);
    if (returnCode != platform::miniport::kFirmwareStatusSuccess) {
        return model::StoppedAt(stage, 0, returnCode);
    }
    return std::nullopt;
}

}  // namespace

std::optional<StopPoint> AskFirmwareInfo(platform::Platform& platform,
                                         const platform::DeviceHandle& handle,
                                         std::span<std::uint8_t> buffer) {
    BuildFirmwareRequest(buffer, platform::miniport::kFirmwareFunctionGetInfo);
    return SendFirmwareRequest(platform, handle, buffer, Stage::GetInfo);
}

UpdateOutcome UpdateInboxDisk(platform::Platform& platform, model::RunEvents& events,
                              const model::DiskRecord& disk, const image::FirmwareImage& image,
                              std::uint32_t byteCount) {
    events.UpdateStarted(disk, image.ImageRevision);
    UpdateOutcome outcome;
    const auto stopped = [&](DiskResult result, const StopPoint& stop) -> UpdateOutcome {
        outcome.Result = result;
        outcome.Stop = stop;
        events.UpdateStopped(disk, outcome);
        return outcome;
    };
    // An accepted activation asks for a reboot on this access path, power cycle or not.
    const auto ended = [&](model::UpdateEnd end, const StopPoint& stop) -> UpdateOutcome {
        outcome.Result = DiskResult::RebootRequired;
        outcome.Stop = stop;
        events.UpdateEnded(disk, end, outcome);
        return outcome;
    };

    // Unlike RST (one 4 KiB unit), this access path refuses, before opening the disk, a granularity
    // no Identify answer can give: it would make no progress or an unreasonable buffer. Likewise no
    // byte beyond the working copy is ever sent.
    if (!image::IsPossibleGranularity(disk.UpdateGranularity) ||
        byteCount > image.WorkingCopy.size()) {
        return stopped(DiskResult::NotCarriedOut, model::StoppedAt(Stage::NotStarted));
    }
    const std::size_t pieceSize = image::PieceSizeOf(disk.UpdateGranularity);
    // Not cleared here: the get-info request, the first one built in it, clears it whole.
    const std::size_t bufferSize = MiniportBufferSize(pieceSize);
    const auto storage = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
    const std::span<std::uint8_t> buffer(storage.get(), bufferSize);

    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.Handle.Valid()) {
        return stopped(DiskResult::NotCarriedOut, model::StoppedAt(Stage::Open, opened.Error));
    }

    if (const auto failed = AskFirmwareInfo(platform, opened.Handle, buffer)) {
        return stopped(DiskResult::NotCarriedOut, *failed);
    }
    const FirmwareInfo info = ReadFirmwareInfo(buffer);
    const SlotAnswer slot = ChooseWritableSlot(info);
    if (slot.Choice == SlotChoice::Malformed) {
        return stopped(DiskResult::NotCarriedOut, model::StoppedAt(Stage::GetInfo));
    }
    // A rerun before the reboot: the drive already holds the image for its next reset, and a
    // second download and activation would only repeat the first.
    if (ImageAwaitsReset(slot, image.ImageRevision)) {
        return ended(model::UpdateEnd::AlreadyDownloaded, model::StoppedAt(Stage::Done));
    }
    if (slot.Choice == SlotChoice::NotUpdatable) {
        return stopped(DiskResult::Failed, model::StoppedAt(Stage::GetInfo));
    }
    // The image in a slot that the last restart did not activate: the drive is told to shut down,
    // and the carried image is sent all the same, so that no other bytes are ever activated.
    outcome.UnactivatedImageSlot = SlotOfUnactivatedImage(info, slot, image.ImageRevision);
    if (outcome.UnactivatedImageSlot) {
        events.ImageNotActivated(disk, *outcome.UnactivatedImageSlot);
    }

    // Whole pieces, then whatever remains as a shorter last piece in the same buffer: only
    // BufferSize shrinks, the request and data-area lengths stay those of the buffer.
    const image::PiecePlan plan(image, byteCount, pieceSize);
    std::uint32_t number = 0;
    for (const image::Piece piece : plan) {
        ++number;
        BuildDownloadRequest(buffer, piece.Offset, piece.Bytes);
        if (auto failed = SendFirmwareRequest(platform, opened.Handle, buffer, Stage::Download)) {
            failed->Piece = number;
            failed->PieceCount = static_cast<std::uint32_t>(plan.Count());
            return stopped(DiskResult::NotCarriedOut, *failed);
        }
    }

    events.DownloadEnded(disk);

    // The slot get-info named; the RST access path has no get-info and always activates slot 2.
    BuildActivateRequest(buffer, slot.Slot);
    const platform::ControlResult activated =
        platform.io.Control(opened.Handle, win::kIoctlScsiMiniport, buffer);
    if (!activated.Ok) {
        return stopped(DiskResult::NotCarriedOut,
                       model::StoppedAt(Stage::Activation, activated.Error));
    }
    // A power cycle being required is still an accepted activation.
    const std::uint32_t returnCode = FirmwareReturnCode(buffer);
    if ((returnCode & ~platform::miniport::kFirmwareStatusPowerCycleRequired) != 0) {
        return stopped(DiskResult::Failed, model::StoppedAt(Stage::Activation, 0, returnCode));
    }
    return ended(model::UpdateEnd::Activated, model::StoppedAt(Stage::Done, 0, returnCode));
}

}  // namespace inbox
