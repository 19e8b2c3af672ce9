#include "rst/rst_update.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "image/piece_plan.h"
#include "image/unactivated_image.h"
#include "platform/miniport_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

namespace {

using model::StopPoint;
using Stage = model::StopStage;

// One "IntelFw " download of a piece in a request of piece + 88 bytes at the start of
// `request`; nothing when it was accepted, else where it failed.
std::optional<StopPoint> SendPiece(platform::Platform& platform,
                                   const platform::DeviceHandle& handle,
                                   std::span<std::uint8_t> request, std::uint8_t pathId,
                                   const image::Piece& piece) {
    const std::span<std::uint8_t> sent =
        request.first(layout::kFwDownloadOverheadSize + piece.Bytes.size());
    FillDownloadRequest(sent, pathId, piece.Offset, piece.Bytes);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, sent);
    if (!result.Ok) {
        return model::StoppedAt(Stage::Download, result.Error);
    }
    if (const std::uint32_t code = ReturnCodeOf(sent); code != 0) {
        return model::StoppedAt(Stage::Download, 0, code);
    }
    return std::nullopt;
}

// What the drive's firmware slot log says of the image: waiting for the next reset, or in a slot
// that the last reset did not activate. A driver that refuses the command (the RST driver is not
// known to serve it) or fails the call answers nothing: the update goes on as without the question.
struct SlotLogReading {
    bool ImageAwaitsReset = false;
    std::optional<std::uint8_t> UnactivatedImageSlot;
};

SlotLogReading ReadSlotLog(platform::Platform& platform, const platform::DeviceHandle& handle,
                           const model::DiskRecord& disk, std::u16string_view imageRevision) {
    std::vector<std::uint8_t> request(layout::kNvmRequestSize);
    FillSlotLogPassThrough(request, PathIdentifier(disk.PortNumber));
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    if (!result.Ok) {
        return {};
    }
    return {SlotLogShowsImageAwaitingReset(request, imageRevision),
            SlotLogShowsUnactivatedImage(request, disk.FirmwareSlotCount, imageRevision)};
}

}  // namespace

ActivationAnswer ActivationAnswerOf(std::uint32_t returnCode) {
    using Answer = ActivationAnswer;
    switch (returnCode) {
        case platform::miniport::kFirmwareStatusSuccess:
            return Answer::Activated;
        case platform::miniport::kFirmwareStatusError:
        case platform::miniport::kFirmwareStatusControllerError:
            return Answer::ErrorReturned;
        case platform::miniport::kFirmwareStatusIllegalRequest:
        case platform::miniport::kFirmwareStatusInvalidParameter:
        case platform::miniport::kFirmwareStatusInputBufferTooBig:
            return Answer::ParameterError;
        case platform::miniport::kFirmwareStatusInvalidSlot:
            return Answer::InvalidSlot;
        case platform::miniport::kFirmwareStatusInvalidImage:
            return Answer::InvalidImage;
        case platform::miniport::kFirmwareStatusPowerCycleRequired:
            return Answer::PowerCycleRequired;
        default:
            return Answer::Unexpected;
    }
}

std::optional<std::uint8_t> ActivationSlotOf(const model::DiskRecord& disk) {
    if (disk.FirmwareSlotCount != 1) {
        return layout::kFwActivateSlotValue;
    }
    if (disk.Slot1ReadOnly) {
        return std::nullopt;
    }
    return std::uint8_t{1};
}

bool SlotLogShowsImageAwaitingReset(std::span<const std::uint8_t> request,
                                    std::u16string_view imageRevision) {
    if (!PassThroughAnswered(request)) {
        return false;
    }
    const auto revision = PendingSlotRevision(request);
    return revision && image::IsRevision(*revision, imageRevision);
}

std::optional<std::uint8_t> SlotLogShowsUnactivatedImage(std::span<const std::uint8_t> request,
                                                         std::uint8_t slotCount,
                                                         std::u16string_view imageRevision) {
    if (!PassThroughAnswered(request)) {
        return std::nullopt;
    }
    std::vector<image::SlotRevision> slots;
    // The log has entries for slots 1 to 7, the most the NVMe standard numbers.
    const std::uint8_t listed = std::min<std::uint8_t>(slotCount, 7);
    for (std::uint8_t slot = 1; slot <= listed; ++slot) {
        slots.push_back({slot, SlotLogRevision(request, slot)});
    }
    const std::uint8_t pending = SlotLogPendingSlot(request);
    return image::SlotOfUnactivatedImage(
        SlotLogActiveSlot(request),
        pending == 0 ? std::nullopt : std::optional<std::uint8_t>(pending), slots, imageRevision);
}

DownloadOutcome DownloadRstFirmware(platform::Platform& platform, model::RunEvents& events,
                                    const platform::DeviceHandle& handle,
                                    const model::DiskRecord& disk,
                                    const image::FirmwareImage& image, std::uint32_t imageSize) {
    const std::size_t pieceSize =
        image::PieceSizeOf(image::GranularityOrLeast(disk.UpdateGranularity));
    const std::uint8_t pathId = PathIdentifier(disk.PortNumber);
    std::vector<std::uint8_t> request(layout::kFwDownloadOverheadSize + pieceSize);

    // An image larger than the working copy cannot be sent whole: nothing is sent.
    std::optional<StopPoint> failed;
    if (imageSize > image.WorkingCopy.size()) {
        failed = model::StoppedAt(Stage::NotStarted);
    } else {
        // When the piece size does not divide the image, the last piece is the remainder, sent
        // in a shorter request, so the whole image reaches the drive.
        const image::PiecePlan plan(image, imageSize, pieceSize);
        std::uint32_t number = 0;
        for (const image::Piece piece : plan) {
            ++number;
            failed = SendPiece(platform, handle, request, pathId, piece);
            if (failed) {
                failed->Piece = number;
                failed->PieceCount = static_cast<std::uint32_t>(plan.Count());
                break;
            }
        }
    }

    if (failed) {
        events.UpdateStopped(disk, *failed);
        return {DownloadStatus::Failed, *failed};
    }
    events.DownloadEnded(disk);
    return {DownloadStatus::Accepted, model::StoppedAt(Stage::Done)};
}

ActivationOutcome ActivateRstFirmware(platform::Platform& platform, model::RunEvents& events,
                                      const platform::DeviceHandle& handle,
                                      const model::DiskRecord& disk) {
    std::vector<std::uint8_t> request(layout::kFwActivateRequestSize);
    FillActivationRequest(request, PathIdentifier(disk.PortNumber),
                          ActivationSlotOf(disk).value_or(layout::kFwActivateSlotValue));
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    if (!result.Ok) {
        const StopPoint stop = model::StoppedAt(Stage::Activation, result.Error);
        events.UpdateStopped(disk, stop);
        return {ActivationStatus::Failed, stop};
    }
    const std::uint32_t code = ReturnCodeOf(request);
    const ActivationAnswer answer = ActivationAnswerOf(code);
    if (answer == ActivationAnswer::Activated || answer == ActivationAnswer::PowerCycleRequired) {
        const StopPoint stop = model::StoppedAt(Stage::Done, 0, code);
        events.UpdateEnded(disk, model::UpdateEnd::Activated, stop);
        return {answer == ActivationAnswer::Activated ? ActivationStatus::Activated
                                                      : ActivationStatus::RebootRequired,
                stop};
    }
    const StopPoint stop = model::StoppedAt(Stage::Activation, 0, code);
    events.UpdateStopped(disk, stop);
    return {ActivationStatus::Failed, stop};
}

UpdateOutcome UpdateRstDisk(platform::Platform& platform, model::RunEvents& events,
                            const model::DiskRecord& disk, const image::FirmwareImage& image,
                            std::uint32_t imageSize) {
    using model::DiskResult;
    events.UpdateStarted(disk, image.ImageRevision);
    // A drive whose one slot is read-only cannot take an image: nothing is sent.
    if (!ActivationSlotOf(disk)) {
        const StopPoint stop = model::StoppedAt(Stage::SlotChoice);
        events.UpdateStopped(disk, stop);
        return {DiskResult::Failed, stop, std::nullopt};
    }
    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.Handle.Valid()) {
        const StopPoint stop = model::StoppedAt(Stage::Open, opened.Error);
        events.UpdateStopped(disk, stop);
        return {DiskResult::NotCarriedOut, stop, std::nullopt};
    }
    const SlotLogReading log = ReadSlotLog(platform, opened.Handle, disk, image.ImageRevision);
    // A rerun before the reboot: the image already waits for the next reset.
    if (log.ImageAwaitsReset) {
        const StopPoint stop = model::StoppedAt(Stage::Done);
        events.UpdateEnded(disk, model::UpdateEnd::AlreadyDownloaded, stop);
        return {DiskResult::RebootRequired, stop, std::nullopt};
    }
    // The image in a slot that the last restart did not activate: the drive is told to shut down,
    // and the carried image is sent all the same, so that no other bytes are ever activated.
    if (log.UnactivatedImageSlot) {
        events.ImageNotActivated(disk, *log.UnactivatedImageSlot);
    }
    const DownloadOutcome download =
        DownloadRstFirmware(platform, events, opened.Handle, disk, image, imageSize);
    if (download.Status != DownloadStatus::Accepted) {
        return {DiskResult::Failed, download.Stop, log.UnactivatedImageSlot};
    }
    const ActivationOutcome activation = ActivateRstFirmware(platform, events, opened.Handle, disk);
    switch (activation.Status) {
        case ActivationStatus::Activated:
            return {DiskResult::Updated, activation.Stop, log.UnactivatedImageSlot};
        case ActivationStatus::RebootRequired:
            return {DiskResult::RebootRequired, activation.Stop, log.UnactivatedImageSlot};
        case ActivationStatus::Failed:
            break;
    }
    return {DiskResult::Failed, activation.Stop, log.UnactivatedImageSlot};
}

}  // namespace rst
