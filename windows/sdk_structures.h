// The Windows structures and values the compile-time layout checks compare against that
// mingw-w64 lacks, declared as the Windows SDK and the CSMI standard publish them. Included only
// by the checks.
#pragma once

#include <windows.h>

#include <ntddscsi.h>

namespace layout_checks {

// The miniport firmware structures that mingw-w64 lacks, as ntddscsi.h and ntddstor.h of the
// Windows SDK publish them (natural alignment).
struct FirmwareRequestBlock {  // FIRMWARE_REQUEST_BLOCK
    ULONG Version;
    ULONG Size;
    ULONG Function;
    ULONG Flags;
    ULONG DataBufferOffset;
    ULONG DataBufferLength;
};
struct StorageFirmwareSlotInfo {  // STORAGE_FIRMWARE_SLOT_INFO
    UCHAR SlotNumber;
    BOOLEAN ReadOnly;
    UCHAR Reserved[6];
    union {
        UCHAR Info[8];
        ULONGLONG AsUlonglong;
    } Revision;
};
struct StorageFirmwareInfo {  // STORAGE_FIRMWARE_INFO
    ULONG Version;
    ULONG Size;
    BOOLEAN UpgradeSupport;
    UCHAR SlotCount;
    UCHAR ActiveSlot;
    UCHAR PendingActivateSlot;
    ULONG Reserved;
    StorageFirmwareSlotInfo Slot[1];
};
struct StorageFirmwareSlotInfoV2 {  // STORAGE_FIRMWARE_SLOT_INFO_V2
    UCHAR SlotNumber;
    BOOLEAN ReadOnly;
    UCHAR Reserved[6];
    UCHAR Revision[16];
};
struct StorageFirmwareInfoV2 {  // STORAGE_FIRMWARE_INFO_V2
    ULONG Version;
    ULONG Size;
    BOOLEAN UpgradeSupport;
    UCHAR SlotCount;
    UCHAR ActiveSlot;
    UCHAR PendingActivateSlot;
    BOOLEAN FirmwareShared;
    UCHAR Reserved[3];
    ULONG ImagePayloadAlignment;
    ULONG ImagePayloadMaxSize;
    StorageFirmwareSlotInfoV2 Slot[1];
};
struct StorageFirmwareDownload {  // STORAGE_FIRMWARE_DOWNLOAD
    ULONG Version;
    ULONG Size;
    ULONGLONG Offset;
    ULONGLONG BufferSize;
    UCHAR ImageBuffer[1];
};
struct StorageFirmwareDownloadV2 {  // STORAGE_FIRMWARE_DOWNLOAD_V2
    ULONG Version;
    ULONG Size;
    ULONGLONG Offset;
    ULONGLONG BufferSize;
    UCHAR Slot;
    UCHAR Reserved[3];
    ULONG ImageSize;
    UCHAR ImageBuffer[1];
};
struct StorageFirmwareActivate {  // STORAGE_FIRMWARE_ACTIVATE
    ULONG Version;
    ULONG Size;
    UCHAR SlotToActivate;
    UCHAR Reserved0[3];
};

// The values of those headers that mingw-w64 lacks, spelled as the Windows SDK publishes them.
namespace sdk {
constexpr ULONG FIRMWARE_REQUEST_BLOCK_STRUCTURE_VERSION = 0x1;
constexpr ULONG FIRMWARE_FUNCTION_GET_INFO = 0x01;
constexpr ULONG FIRMWARE_FUNCTION_DOWNLOAD = 0x02;
constexpr ULONG FIRMWARE_FUNCTION_ACTIVATE = 0x03;
constexpr ULONG FIRMWARE_REQUEST_FLAG_CONTROLLER = 0x00000001;
constexpr ULONG FIRMWARE_STATUS_SUCCESS = 0x0;
constexpr ULONG FIRMWARE_STATUS_ERROR = 0x1;
constexpr ULONG FIRMWARE_STATUS_ILLEGAL_REQUEST = 0x2;
constexpr ULONG FIRMWARE_STATUS_INVALID_PARAMETER = 0x3;
constexpr ULONG FIRMWARE_STATUS_INPUT_BUFFER_TOO_BIG = 0x4;
constexpr ULONG FIRMWARE_STATUS_OUTPUT_BUFFER_TOO_SMALL = 0x5;
constexpr ULONG FIRMWARE_STATUS_INVALID_SLOT = 0x6;
constexpr ULONG FIRMWARE_STATUS_INVALID_IMAGE = 0x7;
constexpr ULONG FIRMWARE_STATUS_CONTROLLER_ERROR = 0x10;
constexpr ULONG FIRMWARE_STATUS_POWER_CYCLE_REQUIRED = 0x20;
constexpr ULONG FIRMWARE_STATUS_DEVICE_ERROR = 0x40;
constexpr ULONG STORAGE_FIRMWARE_INFO_STRUCTURE_VERSION = 0x1;
constexpr ULONG STORAGE_FIRMWARE_INFO_STRUCTURE_VERSION_V2 = 0x2;
constexpr UCHAR STORAGE_FIRMWARE_INFO_INVALID_SLOT = 0xFF;
constexpr ULONG STORAGE_FIRMWARE_DOWNLOAD_STRUCTURE_VERSION = 0x1;
constexpr ULONG STORAGE_FIRMWARE_DOWNLOAD_STRUCTURE_VERSION_V2 = 0x2;
constexpr ULONG STORAGE_FIRMWARE_ACTIVATE_STRUCTURE_VERSION = 0x1;
}  // namespace sdk

// CSMI_SAS_RAID_CONFIG and CSMI_SAS_RAID_DRIVES of the CSMI standard (csmisas.h).
struct CsmiSasRaidDrives {
    UCHAR bModel[40];
    UCHAR bFirmware[8];
    UCHAR bSerialNumber[40];
    UCHAR bSASAddress[8];
    UCHAR bSASLun[8];
    UCHAR bDriveStatus;
    UCHAR bDriveUsage;
    USHORT usBlockSize;
    UCHAR bDriveType;
    UCHAR bReserved[15];
    ULONG uDriveIndex;
    struct {
        ULONG uLowPart;
        ULONG uHighPart;
    } ulTotalUserBlocks;
};
struct CsmiSasRaidConfig {
    ULONG uRaidSetIndex;
    ULONG uCapacity;
    ULONG uStripeSize;
    UCHAR bRaidType;
    UCHAR bStatus;
    UCHAR bInformation;
    UCHAR bDriveCount;
    UCHAR bReserved[20];
    CsmiSasRaidDrives Drives[1];
};
constexpr UCHAR CSMI_SAS_DRIVE_CONFIG_MEMBER = 1;
struct CsmiSasRaidConfigBuffer {  // CSMI_SAS_RAID_CONFIG_BUFFER
    SRB_IO_CONTROL IoctlHeader;
    CsmiSasRaidConfig Configuration;
};

}  // namespace layout_checks
