#include "image/firmware_image.h"

namespace image {

FirmwareImage& TheFirmwareImage() {
    static FirmwareImage image;
    return image;
}

void PrepareFirmwareImage(FirmwareImage& target, std::span<const std::uint8_t> carried) {
    target.BannerTitle = kTitlePrefix;
    target.WorkingCopy.assign(carried.begin(), carried.end());
    target.WorkingCopy.resize(kImageSize);
    // Bytes are taken as they are, zero-extended: the revision is always 8 characters.
    target.ImageRevision.assign(kRevisionSize, u'\0');
    for (std::size_t i = 0; i < kRevisionSize; ++i) {
        target.ImageRevision[i] = target.WorkingCopy[kRevisionOffset + i];
    }
    target.UpgradableRevision = kUpgradableRevision;
    target.BannerTitle += target.ImageRevision;
}

void PrepareFirmwareImage() {
    PrepareFirmwareImage(TheFirmwareImage(),
                         std::span<const std::uint8_t>(kCarriedImage, kImageSize));
}

bool IsRevision(std::span<const std::uint8_t> revisionBytes, std::u16string_view revision) {
    if (revisionBytes.size() != revision.size()) {
        return false;
    }
    for (std::size_t i = 0; i < revision.size(); ++i) {
        if (char16_t{revisionBytes[i]} != revision[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace image
