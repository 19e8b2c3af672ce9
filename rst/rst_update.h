#pragma once

#include <cstdint>

#include "discovery/disk_record.h"
#include "image/firmware_image.h"
#include "platform/platform.h"

namespace rst {

// Returns 0, 1, 5 or 1602 (the drive needs a power cycle).
int UpdateRstDisk(platform::Platform& platform, const discovery::DiskRecord& disk,
                  const image::FirmwareImage& image, std::uint32_t imageSize);
// Returns 0 when every piece was accepted, else 1.
int DownloadRstFirmware(platform::Platform& platform, const platform::DeviceHandle& handle,
                        const discovery::DiskRecord& disk, const image::FirmwareImage& image,
                        std::uint32_t imageSize);
// Returns 0, 1 or 1602.
int ActivateRstFirmware(platform::Platform& platform, const platform::DeviceHandle& handle,
                        std::uint8_t pathIdentifier);

}  // namespace rst
