#include "rst/rst_update.h"

#include <algorithm>
#include <vector>

#include "discovery/open_failure_line.h"
#include "discovery/target_disk_block.h"
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
constexpr std::uint32_t kPieceUnit = 4096;

// FIRMWARE_STATUS values the activation answers with.
constexpr std::uint32_t kStatusSuccess = 0x0;
constexpr std::uint32_t kStatusError = 0x1;
constexpr std::uint32_t kStatusIllegalRequest = 0x2;
constexpr std::uint32_t kStatusInvalidParameter = 0x3;
constexpr std::uint32_t kStatusInputBufferTooBig = 0x4;
constexpr std::uint32_t kStatusInvalidSlot = 0x6;
constexpr std::uint32_t kStatusInvalidImage = 0x7;
constexpr std::uint32_t kStatusControllerError = 0x10;
constexpr std::uint32_t kStatusPowerCycleRequired = 0x20;

std::u16string Signed(std::uint32_t value) {
    return platform::ToU16(platform::DecimalText(static_cast<std::int32_t>(value)));
}

std::u16string HexUpper(std::uint32_t value) {
    return platform::ToU16(platform::HexUpper(value));
}

// A granularity outside the 1-255 an Identify answer can give is taken as one 4 KiB unit.
std::uint32_t PieceSize(std::int32_t granularity) {
    const std::int32_t units = (granularity >= 1 && granularity <= 255) ? granularity : 1;
    return static_cast<std::uint32_t>(units) * kPieceUnit;
}

}  // namespace

int DownloadRstFirmware(platform::Platform& platform, const platform::DeviceHandle& handle,
                        const discovery::DiskRecord& disk, const image::FirmwareImage& image,
                        std::uint32_t imageSize) {
    const std::uint32_t pieceSize = PieceSize(disk.UpdateGranularity);
    const std::uint8_t pathId = PathIdentifier(disk.PortNumber);
    const std::span<const std::uint8_t> source(image.WorkingCopy);
    std::vector<std::uint8_t> request(layout::kDlImage + pieceSize);

    // An image larger than the working copy cannot be sent whole: nothing is sent.
    bool accepted = imageSize <= source.size();
    // Pieces of pieceSize bytes; when it does not divide the image, the last piece is the
    // remainder, sent in a request of remainder + 88 bytes, so the whole image reaches the drive.
    for (std::uint32_t offset = 0; accepted && offset < imageSize; offset += pieceSize) {
        const std::uint32_t length = std::min(pieceSize, imageSize - offset);
        const std::span<std::uint8_t> piece(request.data(), layout::kDlImage + length);
        FillDownloadRequest(piece, pathId, offset, source.subspan(offset, length));
        const platform::ControlResult result =
            platform.io.Control(handle, win::kIoctlScsiMiniport, piece);
        if (!result.ok) {
            platform.console.PrintWide(u"  [ERROR] Firmware download IOCTL failed: 0x" +
                                       HexUpper(result.error) + u"\n");
            accepted = false;
        } else if (const std::uint32_t code = ReturnCodeOf(piece); code != 0) {
            platform.console.PrintWide(
                u"  [ERROR] Firmware download failed: srbControl->ReturnCode " + Signed(code) +
                u"\n");
            accepted = false;
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
    std::vector<std::uint8_t> request(layout::kActRequestSize);
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
        case kStatusSuccess:
            console.PrintWide(u"  [PASS] Firmware activation is succeeded.\n\n");
            return kActivated;
        case kStatusError:
        case kStatusControllerError:
            console.PrintWide(u"  [ERROR] Firmware activate failed: error returned\n\n");
            return kActivationFailed;
        case kStatusIllegalRequest:
        case kStatusInvalidParameter:
        case kStatusInputBufferTooBig:
            console.PrintWide(
                u"  [ERROR] Firmware activate parameter error: srbControl->ReturnCode " +
                Signed(code) + u"\n\n");
            return kActivationFailed;
        case kStatusInvalidSlot:
            console.PrintWide(u"  [ERROR] Firmware activate failed: invalid slot number\n\n");
            return kActivationFailed;
        case kStatusInvalidImage:
            console.PrintWide(u"  [ERROR] Firmware activate failed: invalid firmware image\n\n");
            return kActivationFailed;
        case kStatusPowerCycleRequired:
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
