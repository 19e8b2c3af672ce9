// The firmware image the program carries, its working copy, and the revisions and title
// derived from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/carried_image.h"

namespace image {

inline constexpr std::size_t kRevisionOffset = 0x820;
inline constexpr std::size_t kRevisionSize = 8;
inline constexpr std::u16string_view kUpgradableRevision = u"XQ71DMRB";
inline constexpr std::u16string_view kTitlePrefix = u"VELKORAFWUpdateTRVX208K_V1.0.1_";

struct FirmwareImage {
    std::vector<std::uint8_t> WorkingCopy;  // the source of every download
    std::u16string ImageRevision;           // the revision the image installs
    std::u16string UpgradableRevision;      // the one older revision this tool updates from
    std::u16string BannerTitle;
};

// The program's image, with static storage; empty until prepared.
FirmwareImage& TheFirmwareImage();

// Fills the image from the given carried bytes (kImageSize of them).
void PrepareFirmwareImage(FirmwareImage& target, std::span<const std::uint8_t> carried);
// Fills the program's image from the carried image.
void PrepareFirmwareImage();

// Whether a drive's 8 revision bytes (a firmware slot's) name `revision`: each byte widened to
// one code unit as the image's own revision is, then compared code unit for code unit, as
// selection compares revisions (no trimming, no case folding).
bool IsRevision(std::span<const std::uint8_t> revisionBytes, std::u16string_view revision);

}  // namespace image
