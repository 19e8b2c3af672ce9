// The requests the Intel RST driver takes through IOCTL_SCSI_MINIPORT, declared once: every
// buffer begins with the SRB_IO_CONTROL of platform/miniport_layout.h; the CSMI query carries a
// CSMI_SAS_RAID_CONFIG buffer, the "IntelNvm" and "IntelFw " requests a four-byte disk address
// after the header. Offsets here count from the start of the request buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/miniport_layout.h"

namespace rst::layout {

using platform::miniport::kSrbIoControlSize;
using platform::miniport::kSrbSignatureSize;

// The disk address of the Intel requests, right after the header.
inline constexpr std::size_t kAddressOffset = kSrbIoControlSize;
inline constexpr std::size_t kAddressVersionOffset = kAddressOffset + 0;
inline constexpr std::size_t kAddressPathIdOffset = kAddressOffset + 1;
inline constexpr std::size_t kAddressTargetIdOffset = kAddressOffset + 2;
inline constexpr std::size_t kAddressLunOffset = kAddressOffset + 3;
inline constexpr std::size_t kAddressSize = 4;
inline constexpr std::uint8_t kAddressVersionValue = 1;
static_assert(kAddressOffset == 28);

// CSMI GET_RAID_CONFIG: CSMI_SAS_RAID_CONFIG_BUFFER (header, head of the set, drive entries).
inline constexpr std::string_view kCsmiSignatureValue{"CSMIARY\0", kSrbSignatureSize};
inline constexpr std::uint32_t kCsmiTimeoutValue = 30;
inline constexpr std::uint32_t kCsmiControlCodeValue = 11;     // CC_CSMI_SAS_GET_RAID_CONFIG
inline constexpr std::size_t kCsmiRaidSetIndexOffset = 28;     // uRaidSetIndex
inline constexpr std::size_t kCsmiCapacityOffset = 32;         // uCapacity, MB
inline constexpr std::size_t kCsmiStripeSizeOffset = 36;       // uStripeSize, KB
inline constexpr std::size_t kCsmiRaidTypeOffset = 40;         // bRaidType
inline constexpr std::size_t kCsmiDriveCountOffset = 43;       // bDriveCount
inline constexpr std::size_t kCsmiFirstDriveOffset = 64;       // Drives[0]
inline constexpr std::size_t kCsmiDriveEntrySize = 136;        // CSMI_SAS_RAID_DRIVES
inline constexpr std::size_t kCsmiDriveSasAddressOffset = 88;  // bSASAddress[8] within an entry
// For NVMe members the path, target and LUN are bytes 2, 1 and 0 of bSASAddress.
inline constexpr std::size_t kCsmiDrivePortByteOffset = kCsmiDriveSasAddressOffset + 2;
inline constexpr std::size_t kCsmiDriveModelOffset = 0;  // bModel[40] within an entry
// NVMe members' bModel begins with this; SATA members carry the drive's ATA model.
inline constexpr std::string_view kCsmiNvmeModelPrefix = "NVMe";
// ReturnCodes of GET_RAID_CONFIG beside 0 (success) that the CSMI standard defines for it.
inline constexpr std::uint32_t kCsmiRaidSetOutOfRange = 1000;
inline constexpr std::uint32_t kCsmiRaidSetBufferTooSmall = 1001;
inline constexpr std::uint32_t kCsmiRaidSetDataChanged = 1002;
// bDriveCount values that are not a count.
inline constexpr std::uint8_t kCsmiDriveCountTooBig = 0xF1;
inline constexpr std::uint8_t kCsmiDriveCountSuppressed = 0xF2;
// Room asked for when the driver names no usable count: CSMI's largest RAID set.
inline constexpr std::size_t kCsmiRetryEntryCount = 32;
inline constexpr std::size_t kCsmiRequestEntryCount = 2;
inline constexpr std::size_t kCsmiRequestSize = 336;
static_assert(kCsmiFirstDriveOffset + kCsmiRequestEntryCount * kCsmiDriveEntrySize ==
              kCsmiRequestSize);
static_assert(kCsmiDrivePortByteOffset < kCsmiDriveEntrySize);

inline constexpr std::size_t CsmiBufferSize(std::size_t entries) {
    return kCsmiFirstDriveOffset + entries * kCsmiDriveEntrySize;
}

// "IntelNvm" NVMe pass-through of an admin command with a data-in transfer.
inline constexpr std::string_view kNvmSignatureValue = "IntelNvm";
static_assert(kNvmSignatureValue.size() == kSrbSignatureSize);
inline constexpr std::uint32_t kNvmTimeoutValue = 10;
inline constexpr std::uint32_t kNvmControlCodeValue = 0xF0002808;
inline constexpr std::size_t kNvmSubmissionOffset = 32;  // 64-byte submission queue entry
inline constexpr std::size_t kNvmSubmissionSize = 64;
inline constexpr std::size_t kNvmCdw0Offset = kNvmSubmissionOffset + 0;    // opcode, flags, id
inline constexpr std::size_t kNvmNsidOffset = kNvmSubmissionOffset + 4;    // namespace identifier
inline constexpr std::size_t kNvmCdw10Offset = kNvmSubmissionOffset + 40;  // CNS for Identify
inline constexpr std::size_t kNvmCommandSetOffset = 96;                    // 0: admin command
inline constexpr std::size_t kNvmCompletionOffset = 100;  // 16-byte completion entry
inline constexpr std::size_t kNvmCompletionSize = 16;
inline constexpr std::size_t kNvmDataOffsetOffset = 116;
inline constexpr std::size_t kNvmDataLengthOffset = 120;
inline constexpr std::size_t kNvmDataAreaOffset = 164;
inline constexpr std::size_t kNvmDataAreaSize = 4096;
inline constexpr std::size_t kNvmRequestSize = 4260;
inline constexpr std::uint32_t kNvmCdw0Value = 0x06;  // opcode 06h Identify
inline constexpr std::uint32_t kNvmCdw10Value = 1;    // CNS 01h Identify Controller
inline constexpr std::uint32_t kNvmNsidValue = 0;     // Identify Controller names no namespace
// The pass-through's ReturnCode is a SCSI request-block status: SRB_STATUS_SUCCESS (1) for a
// command carried out; drivers that leave it untouched answer 0.
inline constexpr std::uint32_t kNvmSrbStatusPending = 0;
inline constexpr std::uint32_t kNvmSrbStatusSuccess = 1;

// Get Log Page (opcode 02h) of the firmware slot information log (log identifier 03h), in the
// same request. The log is global to the controller: the NVMe standard lets NSID be 0 or
// FFFFFFFFh for it, and 0 is the form the public tools send through this pass-through. The data
// length is the log's 512 bytes, what NUMDL asks the drive to transfer, so the driver moves no
// more than the command gives.
inline constexpr std::uint32_t kNvmGetLogPageCdw0Value = 0x02;
inline constexpr std::uint32_t kFirmwareSlotLogId = 0x03;
inline constexpr std::size_t kFirmwareSlotLogSize = 512;
inline constexpr std::uint32_t kNvmGetLogPageNumdlShift = 16;  // CDW10 bits 31:16, dwords - 1
inline constexpr std::uint32_t kNvmSlotLogCdw10Value =
    static_cast<std::uint32_t>(kFirmwareSlotLogSize / 4 - 1) << kNvmGetLogPageNumdlShift |
    kFirmwareSlotLogId;
inline constexpr std::uint32_t kNvmSlotLogNsidValue = 0;
static_assert(kNvmSlotLogCdw10Value == 0x007F0003);
static_assert(kFirmwareSlotLogSize <= kNvmDataAreaSize);

// The firmware slot information log: AFI (bits 2:0 the running slot, bits 6:4 the slot to be
// activated at the next reset, 0 for none), then FRS1 to FRS7.
inline constexpr std::size_t kSlotLogAfiOffset = 0;
inline constexpr unsigned kSlotLogAfiPendingShift = 4;
inline constexpr std::uint8_t kSlotLogAfiSlotMask = 0x7;
inline constexpr std::size_t kSlotLogRevisionsOffset = 8;  // FRS1; FRSn at 8 + 8 * (n - 1)
inline constexpr std::size_t kSlotLogRevisionSize = 8;
static_assert(kSlotLogRevisionsOffset + 7 * kSlotLogRevisionSize <= kFirmwareSlotLogSize);
static_assert(kNvmCdw10Offset == 72);
static_assert(kNvmSubmissionOffset == kAddressOffset + kAddressSize);
static_assert(kNvmSubmissionOffset + kNvmSubmissionSize == kNvmCommandSetOffset);
static_assert(kNvmCompletionOffset + kNvmCompletionSize == kNvmDataOffsetOffset);
static_assert(kNvmDataAreaOffset + kNvmDataAreaSize == kNvmRequestSize);

// "IntelFw " download and activation: a FIRMWARE_REQUEST_BLOCK after the address, then a
// STORAGE_FIRMWARE_DOWNLOAD_V2 or STORAGE_FIRMWARE_ACTIVATE in the data area.
inline constexpr std::string_view kFwSignatureValue = "IntelFw ";
static_assert(kFwSignatureValue.size() == kSrbSignatureSize);
inline constexpr std::uint32_t kFwTimeoutValue = 30;
inline constexpr std::uint32_t kFwControlCodeValue = 0xF0000040;
inline constexpr std::size_t kFwRequestBlockOffset = kAddressOffset + kAddressSize;
inline constexpr std::size_t kFwDataAreaOffset =
    kFwRequestBlockOffset + platform::miniport::kFirmwareRequestBlockSize;
// A download request is the image piece and these bytes; an activation has no more than its head.
inline constexpr std::size_t kFwDownloadOverheadSize =
    kFwDataAreaOffset + platform::miniport::kDownloadV2ImageBufferOffset;
inline constexpr std::size_t kFwActivateRequestSize =
    kFwDataAreaOffset + platform::miniport::kStorageFirmwareActivateSize;
static_assert(kFwDataAreaOffset == 56 && kFwDownloadOverheadSize == 88 &&
              kFwActivateRequestSize == 68);
// RST requires download slot 0xFF. Activation names slot 2, which FRMW never makes read-only,
// unless the drive has slot 1 alone.
inline constexpr std::uint8_t kFwDownloadSlotValue = 0xFF;
inline constexpr std::uint8_t kFwActivateSlotValue = 2;

}  // namespace rst::layout
