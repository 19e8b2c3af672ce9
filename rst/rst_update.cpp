#include "rst/rst_update.h"

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

constexpr int kDownloadAccepted = 0;
constexpr int kDownloadFailed = 1;
constexpr int kActivated = 0;
constexpr int kActivationFailed = 1;
constexpr int kRebootRequired = 1602;
constexpr int kHandleFailed = 5;

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
// `request`; false, with the error line printed, when the call or the driver failed it.
bool SendPiece(platform::Platform& platform, const platform::DeviceHandle& handle,
               std::span<std::uint8_t> request, std::uint8_t pathId, const image::Piece& piece) {
    const std::span<std::uint8_t> sent =
        request.first(layout::kFwDownloadOverheadSize + piece.bytes.size());
    FillDownloadRequest(sent, pathId, piece.offset, piece.bytes);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, sent);
    if (!result.ok) {
        platform.console.PrintWide(u"  [ERROR] Firmware download IOCTL failed: 0x" +
                                   HexUpper(result.error) + u"\n");
        return false;
    }
    if (const std::uint32_t code = ReturnCodeOf(sent); code != 0) {
        platform.console.PrintWide(u"  [ERROR] Firmware download failed: srbControl->ReturnCode " +
                                   Signed(code) + u"\n");
        return false;
    }
    return true;
}

}  // namespace

int DownloadRstFirmware(platform::Platform& platform, const platform::DeviceHandle& handle,
                        const discovery::DiskRecord& disk, const image::FirmwareImage& image,
                        std::uint32_t imageSize) {
    const std::size_t pieceSize = image::PieceSizeOf(GranularityToSend(disk.UpdateGranularity));
    const std::uint8_t pathId = PathIdentifier(disk.PortNumber);
    std::vector<std::uint8_t> request(layout::kFwDownloadOverheadSize + pieceSize);

    // An image larger than the working copy cannot be sent whole: nothing is sent.
    bool accepted = imageSize <= image.WorkingCopy.size();
    // When the piece size does not divide the image, the last piece is the remainder, sent in a
    // shorter request, so the whole image reaches the drive.
    if (accepted) {
        for (const image::Piece piece : image::PiecePlan(image, imageSize, pieceSize)) {
            if (!SendPiece(platform, handle, request, pathId, piece)) {
                accepted = false;
                break;
            }
        }
    }

    platform.console.WriteNarrow("\n");
    if (accepted) {
        platform.console.WriteNarrow("  [PASS] Firmware download is succeeded.\n");
        return kDownloadAccepted;
    }
    platform.console.WriteNarrow("  [FAIL] Firmware download failed.\n");
    return kDownloadFailed;
}

int ActivateRstFirmware(platform::Platform& platform, const platform::DeviceHandle& handle,
                        std::uint8_t pathIdentifier) {
    std::vector<std::uint8_t> request(layout::kFwActivateRequestSize);
    FillActivationRequest(request, pathIdentifier);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    platform::Console& console = platform.console;
    if (!result.ok) {
        console.PrintWide(u"  [ERROR] Firmware activate IOCTL failed: 0x" + HexUpper(result.error) +
                          u"\n");
        return kActivationFailed;
    }
    const std::uint32_t code = ReturnCodeOf(request);
    switch (code) {
        case platform::miniport::kFirmwareStatusSuccess:
            console.PrintWide(u"  [PASS] Firmware activation is succeeded.\n\n");
            return kActivated;
        case platform::miniport::kFirmwareStatusError:
        case platform::miniport::kFirmwareStatusControllerError:
            console.PrintWide(u"  [ERROR] Firmware activate failed: error returned\n\n");
            return kActivationFailed;
        case platform::miniport::kFirmwareStatusIllegalRequest:
        case platform::miniport::kFirmwareStatusInvalidParameter:
        case platform::miniport::kFirmwareStatusInputBufferTooBig:
            console.PrintWide(
                u"  [ERROR] Firmware activate parameter error: srbControl->ReturnCode " +
                Signed(code) + u"\n\n");
            return kActivationFailed;
        case platform::miniport::kFirmwareStatusInvalidSlot:
            console.PrintWide(u"  [ERROR] Firmware activate failed: invalid slot number\n\n");
            return kActivationFailed;
        case platform::miniport::kFirmwareStatusInvalidImage:
            console.PrintWide(u"  [ERROR] Firmware activate failed: invalid firmware image\n\n");
            return kActivationFailed;
        case platform::miniport::kFirmwareStatusPowerCycleRequired:
            console.PrintWide(
                u"  [PASS] Firmware activate succeeded. PLEASE SHUTDOWN COMPUTER.\n\n\n");
            return kRebootRequired;
        default:
            console.PrintWide(
                u"  [ERROR] Firmware activate failed: unexpected error, srbControl->ReturnCode " +
                Signed(code) + u"\n\n");
            return kActivationFailed;
    }
}

int UpdateRstDisk(platform::Platform& platform, const discovery::DiskRecord& disk,
                  const image::FirmwareImage& image, std::uint32_t imageSize) {
    // " Updated FW : " where the inbox road prints " Update FW : ": each road's text is fixed.
    discovery::PrintTargetDiskBlock(platform.console, disk, image.ImageRevision, u" Updated FW : ");
    platform::OpenResult opened =
        platform.io.Open(disk.DevicePath, win::kGenericRead | win::kGenericWrite, 0, 0);
    if (!opened.handle.Valid()) {
        discovery::PrintDiskHandleFailure(platform.console, opened.error);
        return kHandleFailed;
    }
    int result = DownloadRstFirmware(platform, opened.handle, disk, image, imageSize);
    if (result == kDownloadAccepted) {
        result = ActivateRstFirmware(platform, opened.handle, PathIdentifier(disk.PortNumber));
    } else {
        result = kActivationFailed;
    }
    return result;
}

}  // namespace rst
