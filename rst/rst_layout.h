// The requests the Intel RST driver takes through IOCTL_SCSI_MINIPORT, declared once: every
// buffer begins with an SRB_IO_CONTROL header; the CSMI query carries a CSMI_SAS_RAID_CONFIG
// buffer, the "IntelNvm" and "IntelFw " requests a four-byte disk address after the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rst::layout {

// SRB_IO_CONTROL (ntddscsi.h), 28 bytes.
inline constexpr std::size_t kSrbHeaderLength = 0;  // ULONG HeaderLength
inline constexpr std::size_t kSrbSignature = 4;     // UCHAR Signature[8]
inline constexpr std::size_t kSrbTimeout = 12;      // ULONG Timeout, seconds
inline constexpr std::size_t kSrbControlCode = 16;  // ULONG ControlCode
inline constexpr std::size_t kSrbReturnCode = 20;   // ULONG ReturnCode, set by the driver
inline constexpr std::size_t kSrbLength = 24;       // ULONG Length: bytes after the header
inline constexpr std::size_t kSrbIoControlSize = 28;
inline constexpr std::size_t kSignatureSize = 8;
static_assert(kSrbLength + 4 == kSrbIoControlSize);

// The disk address of the Intel requests, right after the header.
inline constexpr std::size_t kAddressVersion = 28;
inline constexpr std::size_t kAddressPathId = 29;
inline constexpr std::size_t kAddressTargetId = 30;
inline constexpr std::size_t kAddressLun = 31;
inline constexpr std::size_t kAddressEnd = 32;
inline constexpr std::uint8_t kAddressVersionValue = 1;
static_assert(kAddressVersion == kSrbIoControlSize);

// CSMI GET_RAID_CONFIG: CSMI_SAS_RAID_CONFIG_BUFFER (header, head of the set, drive entries).
inline constexpr std::string_view kCsmiSignature{"CSMIARY\0", kSignatureSize};
inline constexpr std::uint32_t kCsmiTimeout = 30;
inline constexpr std::uint32_t kCsmiGetRaidConfig = 11;  // CC_CSMI_SAS_GET_RAID_CONFIG
inline constexpr std::size_t kCsmiRaidSetIndex = 28;     // uRaidSetIndex
inline constexpr std::size_t kCsmiDriveCount = 43;       // bDriveCount
inline constexpr std::size_t kCsmiFirstDrive = 64;       // Drives[0]
inline constexpr std::size_t kCsmiDriveEntrySize = 136;  // CSMI_SAS_RAID_DRIVES
inline constexpr std::size_t kCsmiDriveSasAddress = 88;  // bSASAddress[8] within an entry
// For NVMe members the path, target and LUN are bytes 2, 1 and 0 of bSASAddress.
inline constexpr std::size_t kCsmiDrivePortByte = kCsmiDriveSasAddress + 2;
inline constexpr std::size_t kCsmiRequestEntries = 2;
inline constexpr std::size_t kCsmiRequestSize = 336;
static_assert(kCsmiFirstDrive + kCsmiRequestEntries * kCsmiDriveEntrySize == kCsmiRequestSize);
static_assert(kCsmiDrivePortByte < kCsmiDriveEntrySize);

inline constexpr std::size_t CsmiBufferSize(std::size_t entries) {
    return kCsmiFirstDrive + entries * kCsmiDriveEntrySize;
}

// "IntelNvm" NVMe pass-through of an admin command with a data-in transfer.
inline constexpr std::string_view kNvmSignature = "IntelNvm";
inline constexpr std::uint32_t kNvmTimeout = 10;
inline constexpr std::uint32_t kNvmPassThrough = 0xF0002808;
inline constexpr std::size_t kNvmSubmission = 32;  // 64-byte submission queue entry
inline constexpr std::size_t kNvmSubmissionSize = 64;
inline constexpr std::size_t kNvmCdw0 = kNvmSubmission + 0;    // opcode, flags, command id
inline constexpr std::size_t kNvmNsid = kNvmSubmission + 4;    // namespace identifier
inline constexpr std::size_t kNvmCdw10 = kNvmSubmission + 40;  // CNS for Identify
inline constexpr std::size_t kNvmCommandSet = 96;              // 0: admin command
inline constexpr std::size_t kNvmCompletion = 100;             // 16-byte completion entry
inline constexpr std::size_t kNvmCompletionSize = 16;
inline constexpr std::size_t kNvmDataOffset = 116;
inline constexpr std::size_t kNvmDataLength = 120;
inline constexpr std::size_t kNvmData = 164;
inline constexpr std::size_t kNvmDataSize = 4096;
inline constexpr std::size_t kNvmRequestSize = 4260;
inline constexpr std::uint32_t kNvmIdentifyCdw0 = 0x06;  // opcode 06h Identify
inline constexpr std::uint32_t kNvmCnsController = 1;    // CNS 01h Identify Controller
static_assert(kNvmCdw10 == 72);
static_assert(kNvmSubmission + kNvmSubmissionSize == kNvmCommandSet);
static_assert(kNvmCompletion + kNvmCompletionSize == kNvmDataOffset);
static_assert(kNvmData + kNvmDataSize == kNvmRequestSize);

// "IntelFw " download and activation: a FIRMWARE_REQUEST_BLOCK after the address, then a
// STORAGE_FIRMWARE_DOWNLOAD_V2 or STORAGE_FIRMWARE_ACTIVATE.
inline constexpr std::string_view kFwSignature = "IntelFw ";
inline constexpr std::uint32_t kFwTimeout = 30;
inline constexpr std::uint32_t kFwControlCode = 0xF0000040;
inline constexpr std::size_t kFrbVersion = 32;
inline constexpr std::size_t kFrbSize = 36;
inline constexpr std::size_t kFrbFunction = 40;
inline constexpr std::size_t kFrbFlags = 44;
inline constexpr std::size_t kFrbDataBufferOffset = 48;
inline constexpr std::size_t kFrbDataBufferLength = 52;
inline constexpr std::uint32_t kFrbVersionValue = 1;   // FIRMWARE_REQUEST_BLOCK_STRUCTURE_VERSION
inline constexpr std::uint32_t kFrbSizeValue = 24;     // sizeof(FIRMWARE_REQUEST_BLOCK)
inline constexpr std::uint32_t kFunctionDownload = 2;  // FIRMWARE_FUNCTION_DOWNLOAD
inline constexpr std::uint32_t kFunctionActivate = 3;  // FIRMWARE_FUNCTION_ACTIVATE
inline constexpr std::uint32_t kFlagController = 1;    // FIRMWARE_REQUEST_FLAG_CONTROLLER
inline constexpr std::size_t kFwData = 56;             // the block after the request block
static_assert(kFrbVersion == kAddressEnd);
static_assert(kFrbVersion + kFrbSizeValue == kFwData);

// STORAGE_FIRMWARE_DOWNLOAD_V2, 32 bytes before the image data.
inline constexpr std::size_t kDlVersion = 56;
inline constexpr std::size_t kDlSize = 60;
inline constexpr std::size_t kDlOffset = 64;      // ULONGLONG Offset into the image
inline constexpr std::size_t kDlBufferSize = 72;  // ULONGLONG BufferSize of this piece
inline constexpr std::size_t kDlSlot = 80;        // UCHAR Slot
inline constexpr std::size_t kDlReserved = 81;    // UCHAR Reserved[3], zero
inline constexpr std::size_t kDlReservedSize = 3;
inline constexpr std::size_t kDlImageSize = 84;  // ULONG ImageSize, sent as 0
inline constexpr std::size_t kDlImage = 88;      // ImageBuffer
inline constexpr std::uint32_t kDlVersionValue = 2;
inline constexpr std::uint32_t kDlSizeValue = 32;
inline constexpr std::uint8_t kDlSlotValue = 0xFF;  // the RST driver takes no download slot
static_assert(kDlVersion == kFwData);
static_assert(kDlVersion + kDlSizeValue == kDlImage);
// Of a download request's first 88 bytes only Reserved belongs to no field.
static_assert(kDlSlot + 1 == kDlReserved && kDlReserved + kDlReservedSize == kDlImageSize);
static_assert(kDlImageSize + 4 == kDlImage);

// STORAGE_FIRMWARE_ACTIVATE, 12 bytes.
inline constexpr std::size_t kActVersion = 56;
inline constexpr std::size_t kActSize = 60;
inline constexpr std::size_t kActSlot = 64;
inline constexpr std::uint32_t kActVersionValue = 1;
inline constexpr std::uint32_t kActSizeValue = 12;
inline constexpr std::uint8_t kActSlotValue = 2;
inline constexpr std::size_t kActRequestSize = 68;
static_assert(kActVersion == kFwData);
static_assert(kActVersion + kActSizeValue == kActRequestSize);

}  // namespace rst::layout
