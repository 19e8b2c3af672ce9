// Compile-time checks of the simulator's own Windows declarations (sim/), which decode what the
// tool sends, against the published definitions of the SDK headers, by themselves: the
// simulator never shares the tool's headers. Nothing here runs.
#include <windows.h>

#include <ntddscsi.h>
#include <nvme.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstddef>

#include "sim/rst_layouts.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"
#include "windows/sdk_structures.h"

namespace {

using namespace layout_checks;

// The simulator's own declarations (sim/), which decode what the tool sends.
namespace sl = sim::layout;
static_assert(sl::kSrbHeaderLength == offsetof(SRB_IO_CONTROL, HeaderLength));
static_assert(sl::kSrbSignature == offsetof(SRB_IO_CONTROL, Signature));
static_assert(sl::kSrbSignatureSize == sizeof(SRB_IO_CONTROL::Signature));
static_assert(sl::kSrbTimeout == offsetof(SRB_IO_CONTROL, Timeout));
static_assert(sl::kSrbControlCode == offsetof(SRB_IO_CONTROL, ControlCode));
static_assert(sl::kSrbReturnCode == offsetof(SRB_IO_CONTROL, ReturnCode));
static_assert(sl::kSrbLength == offsetof(SRB_IO_CONTROL, Length));
static_assert(sl::kSrbSize == sizeof(SRB_IO_CONTROL));
static_assert(sl::kFrbVersion == offsetof(FirmwareRequestBlock, Version));
static_assert(sl::kFrbSize == offsetof(FirmwareRequestBlock, Size));
static_assert(sl::kFrbFunction == offsetof(FirmwareRequestBlock, Function));
static_assert(sl::kFrbFlags == offsetof(FirmwareRequestBlock, Flags));
static_assert(sl::kFrbDataBufferOffset == offsetof(FirmwareRequestBlock, DataBufferOffset));
static_assert(sl::kFrbDataBufferLength == offsetof(FirmwareRequestBlock, DataBufferLength));
static_assert(sl::kFrbStructureSize == sizeof(FirmwareRequestBlock));
static_assert(sl::kFrbStructureVersion == sdk::FIRMWARE_REQUEST_BLOCK_STRUCTURE_VERSION);
static_assert(sl::kFirmwareFunctionGetInfo == sdk::FIRMWARE_FUNCTION_GET_INFO);
static_assert(sl::kFirmwareFunctionDownload == sdk::FIRMWARE_FUNCTION_DOWNLOAD);
static_assert(sl::kFirmwareFunctionActivate == sdk::FIRMWARE_FUNCTION_ACTIVATE);
static_assert(sl::kFirmwareRequestFlagController == sdk::FIRMWARE_REQUEST_FLAG_CONTROLLER);
static_assert(sl::kInboxFrb == sizeof(SRB_IO_CONTROL));
static_assert(sl::kIntelFrb == sl::kAddressLun + 1);
static_assert(sl::kInfoVersion == offsetof(StorageFirmwareInfo, Version));
static_assert(sl::kInfoSize == offsetof(StorageFirmwareInfo, Size));
static_assert(sl::kInfoUpgradeSupport == offsetof(StorageFirmwareInfo, UpgradeSupport));
static_assert(sl::kInfoSlotCount == offsetof(StorageFirmwareInfo, SlotCount));
static_assert(sl::kInfoActiveSlot == offsetof(StorageFirmwareInfo, ActiveSlot));
static_assert(sl::kInfoPendingSlot == offsetof(StorageFirmwareInfo, PendingActivateSlot));
static_assert(sl::kInfoSlots == offsetof(StorageFirmwareInfo, Slot));
static_assert(sl::kInfoStructureSize == sizeof(StorageFirmwareInfo));
static_assert(sl::kInfoStructureVersion == sdk::STORAGE_FIRMWARE_INFO_STRUCTURE_VERSION);
static_assert(sl::kInfoInvalidSlot == sdk::STORAGE_FIRMWARE_INFO_INVALID_SLOT);
static_assert(sl::kSlotEntrySize == sizeof(StorageFirmwareSlotInfo));
static_assert(sl::kSlotNumber == offsetof(StorageFirmwareSlotInfo, SlotNumber));
static_assert(sl::kSlotReadOnly == offsetof(StorageFirmwareSlotInfo, ReadOnly));
static_assert(sl::kSlotRevision == offsetof(StorageFirmwareSlotInfo, Revision));
static_assert(sl::kInfoV2PayloadAlignment ==
              offsetof(StorageFirmwareInfoV2, ImagePayloadAlignment));
static_assert(sl::kInfoV2PayloadMaxSize == offsetof(StorageFirmwareInfoV2, ImagePayloadMaxSize));
static_assert(sl::kInfoV2Slots == offsetof(StorageFirmwareInfoV2, Slot));
static_assert(sl::kInfoV2StructureSize == sizeof(StorageFirmwareInfoV2));
static_assert(sl::kInfoV2StructureVersion == sdk::STORAGE_FIRMWARE_INFO_STRUCTURE_VERSION_V2);
static_assert(sl::kSlotV2EntrySize == sizeof(StorageFirmwareSlotInfoV2));
static_assert(sl::kSlotNumber == offsetof(StorageFirmwareSlotInfoV2, SlotNumber));
static_assert(sl::kSlotReadOnly == offsetof(StorageFirmwareSlotInfoV2, ReadOnly));
static_assert(sl::kDownloadVersion == offsetof(StorageFirmwareDownload, Version));
static_assert(sl::kDownloadSize == offsetof(StorageFirmwareDownload, Size));
static_assert(sl::kDownloadOffset == offsetof(StorageFirmwareDownload, Offset));
static_assert(sl::kDownloadBufferSize == offsetof(StorageFirmwareDownload, BufferSize));
static_assert(sl::kDownloadImage == offsetof(StorageFirmwareDownload, ImageBuffer));
static_assert(sl::kDownloadStructureSize == sizeof(StorageFirmwareDownload));
static_assert(sl::kDownloadStructureVersion == sdk::STORAGE_FIRMWARE_DOWNLOAD_STRUCTURE_VERSION);
static_assert(sl::kDownloadVersion == offsetof(StorageFirmwareDownloadV2, Version));
static_assert(sl::kDownloadSize == offsetof(StorageFirmwareDownloadV2, Size));
static_assert(sl::kDownloadOffset == offsetof(StorageFirmwareDownloadV2, Offset));
static_assert(sl::kDownloadBufferSize == offsetof(StorageFirmwareDownloadV2, BufferSize));
static_assert(sl::kDownloadV2Slot == offsetof(StorageFirmwareDownloadV2, Slot));
static_assert(sl::kDownloadV2Image == offsetof(StorageFirmwareDownloadV2, ImageBuffer));
static_assert(sl::kDownloadV2StructureSize == sizeof(StorageFirmwareDownloadV2));
static_assert(sl::kDownloadV2StructureVersion ==
              sdk::STORAGE_FIRMWARE_DOWNLOAD_STRUCTURE_VERSION_V2);
static_assert(sl::kActivateVersion == offsetof(StorageFirmwareActivate, Version));
static_assert(sl::kActivateSize == offsetof(StorageFirmwareActivate, Size));
static_assert(sl::kActivateSlot == offsetof(StorageFirmwareActivate, SlotToActivate));
static_assert(sl::kActivateStructureSize == sizeof(StorageFirmwareActivate));
static_assert(sl::kActivateStructureVersion == sdk::STORAGE_FIRMWARE_ACTIVATE_STRUCTURE_VERSION);
static_assert(sl::kDeviceNumberDeviceType == offsetof(STORAGE_DEVICE_NUMBER, DeviceType));
static_assert(sl::kDeviceNumberDeviceNumber == offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber));
static_assert(sl::kDeviceNumberPartitionNumber == offsetof(STORAGE_DEVICE_NUMBER, PartitionNumber));
static_assert(sl::kDeviceNumberStructureSize == sizeof(STORAGE_DEVICE_NUMBER));
static_assert(sl::kQueryPropertyId == offsetof(STORAGE_PROPERTY_QUERY, PropertyId));
static_assert(sl::kQueryType == offsetof(STORAGE_PROPERTY_QUERY, QueryType));
static_assert(sl::kQueryProtocolData == offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters));
static_assert(sl::kProtocolType == offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType));
static_assert(sl::kDataType == offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType));
static_assert(sl::kRequestValue ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue));
static_assert(sl::kProtocolDataOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset));
static_assert(sl::kProtocolDataLength ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength));
static_assert(sl::kProtocolSpecificDataStructureSize == sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA));
static_assert(sl::kDescriptorVersion == offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Version));
static_assert(sl::kDescriptorSize == offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Size));
static_assert(sl::kDescriptorProtocolData ==
              offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData));
static_assert(sl::kDescriptorStructureSize == sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR));

// The simulated RST driver: CSMI, the Intel address and the NVMe pass-through entries.
static_assert(sl::kRaidSetIndex == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                       offsetof(CsmiSasRaidConfig, uRaidSetIndex));
static_assert(sl::kRaidCapacity == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                       offsetof(CsmiSasRaidConfig, uCapacity));
static_assert(sl::kRaidStripeSize == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                         offsetof(CsmiSasRaidConfig, uStripeSize));
static_assert(sl::kRaidType == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                   offsetof(CsmiSasRaidConfig, bRaidType));
static_assert(sl::kRaidStatus == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                     offsetof(CsmiSasRaidConfig, bStatus));
static_assert(sl::kRaidDriveCount == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                         offsetof(CsmiSasRaidConfig, bDriveCount));
static_assert(sl::kRaidDrives == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                     offsetof(CsmiSasRaidConfig, Drives));
static_assert(sl::kDriveEntrySize == sizeof(CsmiSasRaidDrives));
static_assert(sl::kDriveModel == offsetof(CsmiSasRaidDrives, bModel));
static_assert(sl::kDriveModelSize == sizeof(CsmiSasRaidDrives::bModel));
static_assert(sl::kDriveFirmware == offsetof(CsmiSasRaidDrives, bFirmware));
static_assert(sl::kDriveFirmwareSize == sizeof(CsmiSasRaidDrives::bFirmware));
static_assert(sl::kDriveSerial == offsetof(CsmiSasRaidDrives, bSerialNumber));
static_assert(sl::kDriveSerialSize == sizeof(CsmiSasRaidDrives::bSerialNumber));
static_assert(sl::kDriveSasAddress == offsetof(CsmiSasRaidDrives, bSASAddress));
static_assert(sl::kDriveUsage == offsetof(CsmiSasRaidDrives, bDriveUsage));
static_assert(sl::kDriveConfigMember == CSMI_SAS_DRIVE_CONFIG_MEMBER);
static_assert(sl::kAddressVersion == sizeof(SRB_IO_CONTROL));
static_assert(sl::kSqe == sl::kAddressLun + 1);
static_assert(sl::kSqeNsid - sl::kSqe == offsetof(NVME_COMMAND, NSID));
static_assert(sl::kSqeCdw10 - sl::kSqe == offsetof(NVME_COMMAND, u.GENERAL.CDW10));
static_assert(sl::kIoCommandSet == sl::kSqe + sizeof(NVME_COMMAND));
static_assert(sl::kCqeDw3 - sl::kCqe == offsetof(NVME_COMPLETION_ENTRY, DW3));
static_assert(sl::kNvmDataOffset == sl::kCqe + sizeof(NVME_COMPLETION_ENTRY));

// The simulator's Windows values.
static_assert(sim::kFirmwareStatusSuccess == sdk::FIRMWARE_STATUS_SUCCESS);
static_assert(sim::kFirmwareStatusError == sdk::FIRMWARE_STATUS_ERROR);
static_assert(sim::kFirmwareStatusIllegalRequest == sdk::FIRMWARE_STATUS_ILLEGAL_REQUEST);
static_assert(sim::kFirmwareStatusInvalidParameter == sdk::FIRMWARE_STATUS_INVALID_PARAMETER);
static_assert(sim::kFirmwareStatusInputBufferTooBig == sdk::FIRMWARE_STATUS_INPUT_BUFFER_TOO_BIG);
static_assert(sim::kFirmwareStatusOutputBufferTooSmall ==
              sdk::FIRMWARE_STATUS_OUTPUT_BUFFER_TOO_SMALL);
static_assert(sim::kFirmwareStatusInvalidSlot == sdk::FIRMWARE_STATUS_INVALID_SLOT);
static_assert(sim::kFirmwareStatusInvalidImage == sdk::FIRMWARE_STATUS_INVALID_IMAGE);
static_assert(sim::kFirmwareStatusControllerError == sdk::FIRMWARE_STATUS_CONTROLLER_ERROR);
static_assert(sim::kFirmwareStatusPowerCycleRequired == sdk::FIRMWARE_STATUS_POWER_CYCLE_REQUIRED);
static_assert(sim::kFirmwareStatusDeviceError == sdk::FIRMWARE_STATUS_DEVICE_ERROR);
static_assert(sim::kErrorInvalidFunction == ERROR_INVALID_FUNCTION);
static_assert(sim::kGenericRights ==
              (GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL));
static_assert(sim::kFileAllAccess == FILE_ALL_ACCESS);
static_assert(sim::kFileShareAll == (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
static_assert((CTL_CODE(0, 0, 0, FILE_READ_ACCESS | FILE_WRITE_ACCESS) >>
               sim::kCtlCodeAccessShift) == sim::kCtlCodeAccessMask);
static_assert(sim::kFileReadAccess == FILE_READ_ACCESS);
static_assert(sim::kFileWriteAccess == FILE_WRITE_ACCESS);
static_assert(sim::kFileDeviceDisk == FILE_DEVICE_DISK);
static_assert(sim::kStorageAdapterProtocolSpecificProperty ==
              StorageAdapterProtocolSpecificProperty);
static_assert(sim::kStorageDeviceProtocolSpecificProperty == StorageDeviceProtocolSpecificProperty);
static_assert(sim::kPropertyStandardQuery == PropertyStandardQuery);
static_assert(sim::kProtocolTypeNvme == ProtocolTypeNvme);
static_assert(sim::kNvmeDataTypeIdentify == NVMeDataTypeIdentify);
static_assert(sim::kNvmeIdentifyCnsController == NVME_IDENTIFY_CNS_CONTROLLER);
static_assert(sim::kNvmeAdminCommandIdentify == NVME_ADMIN_COMMAND_IDENTIFY);

}  // namespace
