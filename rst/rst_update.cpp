#include "rst/rst_update.h"

#include <optional>
#include <vector>

#include "discovery/open_failure_line.h"
#include "discovery/target_disk_block.h"
#include "image/piece_plan.h"
#include "platform/miniport_layout.h"
#include "platform/text.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace rst {

namespace {

using discovery::StopPoint;
using Stage = discovery::StopPoint::Stage;

std::u16string Signed(std::uint32_t value) {
    return platform::ToU16(platform::DecimalText(static_cast<std::int32_t>(value)));
}

std::u16string HexUpper(std::uint32_t value) {
    return platform::ToU16(platform::HexUpper(value));
}

// One 4 KiB unit, the least FWUG can name, for an impossible granularity; the inbox road refuses.
std::int32_t GranularityToSend(std::int32_t granularity) {
    return image::IsPossibleGranularity(granularity) ? granularity : image::kMinGranularity;
}

// One "IntelFw " download of a piece in a request of piece + 88 bytes at the start of
// `request`; nothing when it was accepted, else where it failed, with the error line printed.
std::optional<StopPoint> SendPiece(platform::Platform& platform,
                                   const platform::DeviceHandle& handle,
                                   std::span<std::uint8_t> request, std::uint8_t pathId,
                                   const image::Piece& piece) {
    const std::span<std::uint8_t> sent =
        request.first(layout::kFwDownloadOverheadSize + piece.bytes.size());
    FillDownloadRequest(sent, pathId, piece.offset, piece.bytes);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, sent);
    if (!result.ok) {
        platform.console.PrintWide(u"  [ERROR] Firmware download IOCTL failed: 0x" +
                                   HexUpper(result.error) + u"\n");
        return discovery::StoppedAt(Stage::Download, result.error);
    }
    if (const std::uint32_t code = ReturnCodeOf(sent); code != 0) {
        platform.console.PrintWide(u"  [ERROR] Firmware download failed: srbControl->ReturnCode " +
                                   Signed(code) + u"\n");
        return discovery::StoppedAt(Stage::Download, 0, code);
    }
    return std::nullopt;
}

// Whether the drive's firmware slot log names a slot to be activated at the next reset that holds
// the image. A driver that refuses the command (the RST driver is not known to serve it) or
// fails the call answers nothing: the update goes on as without the question.
bool ImageAwaitsReset(platform::Platform& platform, const platform::DeviceHandle& handle,
                      std::uint8_t pathId, std::u16string_view imageRevision) {
    std::vector<std::uint8_t> request(layout::kNvmRequestSize);
    FillSlotLogPassThrough(request, pathId);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    if (!result.ok || ReturnCodeOf(request) != 0) {
        return false;
    }
    const auto revision = PendingSlotRevision(request);
    return revision && image::IsRevision(*revision, imageRevision);
}

ActivationOutcome Activation(ActivationStatus status, std::uint32_t returnCode) {
    return {status, discovery::StoppedAt(
                        status == ActivationStatus::Failed ? Stage::Activation : Stage::Done, 0,
                        returnCode)};
}

}  // namespace

DownloadOutcome DownloadRstFirmware(platform::Platform& platform,
                                    const platform::DeviceHandle& handle,
                                    const discovery::DiskRecord& disk,
                                    const image::FirmwareImage& image, std::uint32_t imageSize) {
    const std::size_t pieceSize = image::PieceSizeOf(GranularityToSend(disk.UpdateGranularity));
    const std::uint8_t pathId = PathIdentifier(disk.PortNumber);
    std::vector<std::uint8_t> request(layout::kFwDownloadOverheadSize + pieceSize);

    // An image larger than the working copy cannot be sent whole: nothing is sent.
    std::optional<StopPoint> failed;
    if (imageSize > image.WorkingCopy.size()) {
        failed = discovery::StoppedAt(Stage::NotStarted);
    } else {
        // When the piece size does not divide the image, the last piece is the remainder, sent
        // in a shorter request, so the whole image reaches the drive.
        const image::PiecePlan plan(image, imageSize, pieceSize);
        std::uint32_t number = 0;
        for (const image::Piece piece : plan) {
            ++number;
            failed = SendPiece(platform, handle, request, pathId, piece);
            if (failed) {
                failed->piece = number;
                failed->pieceCount = static_cast<std::uint32_t>(plan.Count());
                break;
            }
        }
    }

    platform.console.WriteNarrow("\n");
    if (!failed) {
        platform.console.WriteNarrow("  [PASS] Firmware download is succeeded.\n");
        return {DownloadStatus::Accepted, discovery::StoppedAt(Stage::Done)};
    }
    platform.console.WriteNarrow("  [FAIL] Firmware download failed.\n");
    return {DownloadStatus::Failed, *failed};
}

ActivationOutcome ActivateRstFirmware(platform::Platform& platform,
                                      const platform::DeviceHandle& handle,
                                      std::uint8_t pathIdentifier) {
    std::vector<std::uint8_t> request(layout::kFwActivateRequestSize);
    FillActivationRequest(request, pathIdentifier);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    platform::Console& console = platform.console;
    if (!result.ok) {
        console.PrintWide(u"  [ERROR] Firmware activate IOCTL failed: 0x" + HexUpper(result.error) +
                          u"\n");
        return {ActivationStatus::Failed, discovery::StoppedAt(Stage::Activation, result.error)};
    }
    const std::uint32_t code = ReturnCodeOf(request);
    switch (code) {
        case platform::miniport::kFirmwareStatusSuccess:
            console.PrintWide(u"  [PASS] Firmware activation is succeeded.\n\n");
            return Activation(ActivationStatus::Activated, code);
        case platform::miniport::kFirmwareStatusError:
        case platform::miniport::kFirmwareStatusControllerError:
            console.PrintWide(u"  [ERROR] Firmware activate failed: error returned\n\n");
            return Activation(ActivationStatus::Failed, code);
        case platform::miniport::kFirmwareStatusIllegalRequest:
        case platform::miniport::kFirmwareStatusInvalidParameter:
        case platform::miniport::kFirmwareStatusInputBufferTooBig:
            console.PrintWide(
                u"  [ERROR] Firmware activate parameter error: srbControl->ReturnCode " +
                Signed(code) + u"\n\n");
            return Activation(ActivationStatus::Failed, code);
        case platform::miniport::kFirmwareStatusInvalidSlot:
            console.PrintWide(u"  [ERROR] Firmware activate failed: invalid slot number\n\n");
            return Activation(ActivationStatus::Failed, code);
        case platform::miniport::kFirmwareStatusInvalidImage:
            console.PrintWide(u"  [ERROR] Firmware activate failed: invalid firmware image\n\n");
            return Activation(ActivationStatus::Failed, code);
        case platform::miniport::kFirmwareStatusPowerCycleRequired:
            console.PrintWide(
                u"  [PASS] Firmware activate succeeded. PLEASE SHUTDOWN COMPUTER.\n\n\n");
            return Activation(ActivationStatus::RebootRequired, code);
        default:
            console.PrintWide(
                u"  [ERROR] Firmware activate failed: unexpected error, srbControl->ReturnCode " +
                Signed(code) + u"\n\n");
            return Activation(ActivationStatus::Failed, code);
    }
}

UpdateOutcome UpdateRstDisk(platform::Platform& platform, const discovery::DiskRecord& disk,
                            const image::FirmwareImage& image, std::uint32_t imageSize) {
    using discovery::ResultCode;
    // " Updated FW : " where the inbox road prints " Update FW : ": each road's text is fixed.
    discovery::PrintTargetDiskBlock(platform.console, disk, image.ImageRevision, u" Updated FW : ");
    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.handle.Valid()) {
        discovery::PrintDiskHandleFailure(platform.console, opened.error);
        return {ResultCode::NotCarriedOut, discovery::StoppedAt(Stage::Open, opened.error)};
    }
    // A rerun before the reboot: the image already waits for the next reset.
    if (ImageAwaitsReset(platform, opened.handle, PathIdentifier(disk.PortNumber),
                         image.ImageRevision)) {
        discovery::PrintAlreadyDownloaded(platform.console);
        return {ResultCode::RebootRequired, discovery::StoppedAt(Stage::Done)};
    }
    const DownloadOutcome download =
        DownloadRstFirmware(platform, opened.handle, disk, image, imageSize);
    if (download.status != DownloadStatus::Accepted) {
        return {ResultCode::Failed, download.stop};
    }
    const ActivationOutcome activation =
        ActivateRstFirmware(platform, opened.handle, PathIdentifier(disk.PortNumber));
    switch (activation.status) {
        case ActivationStatus::Activated:
            return {ResultCode::Updated, activation.stop};
        case ActivationStatus::RebootRequired:
            return {ResultCode::RebootRequired, activation.stop};
        case ActivationStatus::Failed:
            break;
    }
    return {ResultCode::Failed, activation.stop};
}

}  // namespace rst
