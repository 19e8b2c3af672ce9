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

// The driver's answer to an activation, classified once for the outcome and the console.
model::ActivationAnswer ActivationAnswerOf(std::uint32_t returnCode) {
    using Answer = model::ActivationAnswer;
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

// Every piece of the image: nothing when each was accepted, else where it failed.
std::optional<StopPoint> SendImage(platform::Platform& platform,
                                   const platform::DeviceHandle& handle,
                                   const model::DiskRecord& disk, const image::FirmwareImage& image,
                                   std::uint32_t imageSize) {
    const std::size_t pieceSize =
        image::PieceSizeOf(image::GranularityOrLeast(disk.UpdateGranularity));
    const std::uint8_t pathId = PathIdentifier(disk.PortNumber);
    std::vector<std::uint8_t> request(layout::kFwDownloadOverheadSize + pieceSize);

    // An image larger than the working copy cannot be sent whole: nothing is sent.
    if (imageSize > image.WorkingCopy.size()) {
        return model::StoppedAt(Stage::NotStarted);
    }
    // When the piece size does not divide the image, the last piece is the remainder, sent in a
    // shorter request, so the whole image reaches the drive.
    const image::PiecePlan plan(image, imageSize, pieceSize);
    std::uint32_t number = 0;
    for (const image::Piece piece : plan) {
        ++number;
        if (auto failed = SendPiece(platform, handle, request, pathId, piece)) {
            failed->Piece = number;
            failed->PieceCount = static_cast<std::uint32_t>(plan.Count());
            return failed;
        }
    }
    return std::nullopt;
}

}  // namespace

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

model::UpdateOutcome UpdateRstDisk(platform::Platform& platform, model::RunEvents& events,
                                   const model::DiskRecord& disk, const image::FirmwareImage& image,
                                   std::uint32_t imageSize) {
    using model::DiskResult;
    events.UpdateStarted(disk, image.ImageRevision);
    model::UpdateOutcome outcome;
    const auto stopped = [&](DiskResult result, const StopPoint& stop) {
        outcome.Result = result;
        outcome.Stop = stop;
        events.UpdateStopped(disk, outcome);
        return outcome;
    };
    const auto ended = [&](DiskResult result, model::UpdateEnd end, const StopPoint& stop) {
        outcome.Result = result;
        outcome.Stop = stop;
        events.UpdateEnded(disk, end, outcome);
        return outcome;
    };

    // A drive whose one slot is read-only cannot take an image: nothing is sent.
    const std::optional<std::uint8_t> slot = ActivationSlotOf(disk);
    if (!slot) {
        return stopped(DiskResult::Failed, model::StoppedAt(Stage::SlotChoice));
    }
    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.Handle.Valid()) {
        return stopped(DiskResult::NotCarriedOut, model::StoppedAt(Stage::Open, opened.Error));
    }
    const SlotLogReading log = ReadSlotLog(platform, opened.Handle, disk, image.ImageRevision);
    // A rerun before the reboot: the image already waits for the next reset.
    if (log.ImageAwaitsReset) {
        return ended(DiskResult::RebootRequired, model::UpdateEnd::AlreadyDownloaded,
                     model::StoppedAt(Stage::Done));
    }
    // The image in a slot that the last restart did not activate: the drive is told to shut down,
    // and the carried image is sent all the same, so that no other bytes are ever activated.
    outcome.UnactivatedImageSlot = log.UnactivatedImageSlot;
    if (log.UnactivatedImageSlot) {
        events.ImageNotActivated(disk, *log.UnactivatedImageSlot);
    }
    if (const auto failed = SendImage(platform, opened.Handle, disk, image, imageSize)) {
        return stopped(DiskResult::Failed, *failed);
    }
    events.DownloadEnded(disk);

    std::vector<std::uint8_t> request(layout::kFwActivateRequestSize);
    FillActivationRequest(request, PathIdentifier(disk.PortNumber), *slot);
    const platform::ControlResult result =
        platform.io.Control(opened.Handle, win::kIoctlScsiMiniport, request);
    if (!result.Ok) {
        return stopped(DiskResult::Failed, model::StoppedAt(Stage::Activation, result.Error));
    }
    const std::uint32_t code = ReturnCodeOf(request);
    outcome.Activation = ActivationAnswerOf(code);
    switch (*outcome.Activation) {
        case model::ActivationAnswer::Activated:
            return ended(DiskResult::Updated, model::UpdateEnd::Activated,
                         model::StoppedAt(Stage::Done, 0, code));
        case model::ActivationAnswer::PowerCycleRequired:
            return ended(DiskResult::RebootRequired, model::UpdateEnd::Activated,
                         model::StoppedAt(Stage::Done, 0, code));
        default:
            break;
    }
    return stopped(DiskResult::Failed, model::StoppedAt(Stage::Activation, 0, code));
}

}  // namespace rst
