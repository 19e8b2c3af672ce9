#pragma once

#include "discovery/disk_record.h"
#include "image/firmware_image.h"
#include "platform/platform.h"

namespace app {

// Per-disk outcomes stored in DiskRecord::ResultCode.
inline constexpr std::int32_t kResultUpdated = 0;
inline constexpr std::int32_t kResultFailed = 1;
inline constexpr std::int32_t kResultNotCarriedOut = 5;
inline constexpr std::int32_t kResultAlreadyCurrent = 20;
inline constexpr std::int32_t kResultRebootRequired = 1602;
inline constexpr std::int32_t kResultLatest = 4000;

inline constexpr std::uint32_t kImageByteCount = 0x200000;

// Revisions are equal when they have the same UTF-16 code units: no trimming, no case folding.
inline bool SameRevision(std::u16string_view a, std::u16string_view b) { return a == b; }

class DiskInventory {
public:
    // Finds, identifies, selects and updates; on return every selected disk has its ResultCode.
    void RunUpdates(platform::Platform& platform, const image::FirmwareImage& image,
                    discovery::DiskList& selectedDisks);
    // Appends to selectedDisks a copy of each identified disk at the older or the image revision.
    void SelectDisks(const image::FirmwareImage& image, discovery::DiskList& selectedDisks) const;

    discovery::DiskList Candidates;
    discovery::DiskList Identified;
};

}  // namespace app
