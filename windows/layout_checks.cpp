// Compile-time checks of the Windows values and layouts that the portable code spells itself,
// against the published definitions of the SDK headers: the tool's own declarations (the
// simulator's are checked by themselves in tests/wine/win32/sim_layout_checks.cpp). Nothing
// here runs.
#include <windows.h>

#include <ntddscsi.h>
#include <nvme.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cstddef>

#include "discovery/device_number_layout.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/property_query_layout.h"
#include "platform/miniport_layout.h"
#include "platform/windows_values.h"
#include "rst/rst_layout.h"
#include "windows/sdk_structures.h"

namespace {

using namespace layout_checks;

// System error codes.
static_assert(win::kErrorSuccess == ERROR_SUCCESS);
static_assert(win::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(win::kErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(win::kErrorFileExists == ERROR_FILE_EXISTS);
static_assert(win::kErrorCannotMake == ERROR_CANNOT_MAKE);
static_assert(win::kErrorAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(win::kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(win::kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(win::kErrorNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(win::kErrorGenFailure == ERROR_GEN_FAILURE);
static_assert(win::kErrorSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(win::kErrorNotSupported == ERROR_NOT_SUPPORTED);
static_assert(win::kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(win::kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(win::kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);
static_assert(win::kErrorIoDevice == ERROR_IO_DEVICE);
static_assert(win::kErrorNotFound == ERROR_NOT_FOUND);

// CreateFileW.
static_assert(win::kGenericRead == GENERIC_READ);
static_assert(win::kGenericWrite == GENERIC_WRITE);
static_assert(win::kFileShareRead == FILE_SHARE_READ);
static_assert(win::kFileShareWrite == FILE_SHARE_WRITE);
static_assert(win::kOpenExisting == OPEN_EXISTING);
static_assert(win::kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(win::kFileFlagOverlapped == FILE_FLAG_OVERLAPPED);

// Device control codes. IOCTL_SCSI_MINIPORT_FIRMWARE is missing from mingw-w64; ntddscsi.h
// publishes it as (FILE_DEVICE_SCSI << 16) + 0x0780, FILE_DEVICE_SCSI being 0x1B.
static_assert(win::kIoctlStorageGetDeviceNumber == IOCTL_STORAGE_GET_DEVICE_NUMBER);
static_assert(win::kIoctlStorageQueryProperty == IOCTL_STORAGE_QUERY_PROPERTY);
static_assert(win::kIoctlScsiMiniport == IOCTL_SCSI_MINIPORT);
static_assert(win::kIoctlScsiMiniportFirmware == ((0x0000001Bu << 16) + 0x0780u));

// SetupDiGetClassDevsW.
static_assert(win::kDigcfPresent == DIGCF_PRESENT);
static_assert(win::kDigcfAllClasses == DIGCF_ALLCLASSES);
static_assert(win::kDigcfDeviceInterface == DIGCF_DEVICEINTERFACE);
static_assert(win::kDevpropTypeString == DEVPROP_TYPE_STRING);
static_assert(win::kRegSz == REG_SZ);
static_assert(win::kRegMultiSz == REG_MULTI_SZ);
static_assert(SPDRP_HARDWAREID == 1);
static_assert(DEVPROP_TYPE_STRING == 0x12);

// GUID and DEVPROPKEY have the layout of win::Guid and win::DevPropKey.
static_assert(sizeof(GUID) == sizeof(win::Guid) && sizeof(GUID) == 16);
static_assert(sizeof(DEVPROPKEY) == sizeof(win::DevPropKey) && sizeof(DEVPROPKEY) == 20);
static_assert(offsetof(DEVPROPKEY, pid) == offsetof(win::DevPropKey, pid));

// SetupAPI structures (x64).
static_assert(sizeof(SP_DEVINFO_DATA) == 32);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8);
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) == 4);

// Storage requests.
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceType) == 0);
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) == 4);
static_assert(offsetof(STORAGE_DEVICE_NUMBER, PartitionNumber) == 8);
static_assert(discovery::device_number::kDeviceNumberOffset ==
              offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber));
static_assert(discovery::device_number::kStorageDeviceNumberSize == sizeof(STORAGE_DEVICE_NUMBER));
static_assert(StorageAdapterProtocolSpecificProperty == 49);
static_assert(StorageDeviceProtocolSpecificProperty == 50);
static_assert(PropertyStandardQuery == 0);
static_assert(ProtocolTypeNvme == 3);
static_assert(NVMeDataTypeIdentify == 1);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, PropertyId) == 0);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, QueryType) == 4);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == 8);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == 40);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType) == 0);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType) == 4);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue) == 8);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue) == 12);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset) == 16);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength) == 20);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, FixedProtocolReturnData) == 24);
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == 48);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) == 8);

// The miniport request header.
static_assert(sizeof(SRB_IO_CONTROL) == 28);
static_assert(offsetof(SRB_IO_CONTROL, HeaderLength) == 0);
static_assert(offsetof(SRB_IO_CONTROL, Signature) == 4);
static_assert(offsetof(SRB_IO_CONTROL, Timeout) == 12);
static_assert(offsetof(SRB_IO_CONTROL, ControlCode) == 16);
static_assert(offsetof(SRB_IO_CONTROL, ReturnCode) == 20);
static_assert(offsetof(SRB_IO_CONTROL, Length) == 24);

// NVMe Identify Controller data.
static_assert(sizeof(NVME_IDENTIFY_CONTROLLER_DATA) == 4096);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, VID) == 0);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, SN) == 4);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, MN) == 24);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, FR) == 64);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, VER) == 80);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, FRMW) == 260);
static_assert(offsetof(NVME_IDENTIFY_CONTROLLER_DATA, FWUG) == 319);

// The inbox access path's property query.
namespace query = inbox::query;
static_assert(query::kPropertyIdOffset == offsetof(STORAGE_PROPERTY_QUERY, PropertyId));
static_assert(query::kQueryTypeOffset == offsetof(STORAGE_PROPERTY_QUERY, QueryType));
static_assert(query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters));
static_assert(query::kProtocolTypeOffset - query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType));
static_assert(query::kDataTypeOffset - query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType));
static_assert(query::kRequestValueOffset - query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue));
static_assert(query::kRequestSubValueOffset - query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue));
static_assert(query::kProtocolDataOffsetOffset - query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset));
static_assert(query::kProtocolDataLengthOffset - query::kAdditionalParametersOffset ==
              offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength));
static_assert(query::kProtocolSpecificDataSize == sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA));
// The answer's descriptor puts the data where the request put it.
static_assert(query::kIdentifyDataOffset == sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR));
static_assert(query::kIdentifyDataOffset ==
              offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) +
                  sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA));
static_assert(query::kIdentifyDataSize == sizeof(NVME_IDENTIFY_CONTROLLER_DATA));
static_assert(query::kStorageAdapterProtocolSpecificProperty ==
              StorageAdapterProtocolSpecificProperty);
static_assert(query::kPropertyStandardQuery == PropertyStandardQuery);
static_assert(query::kProtocolTypeNvme == ProtocolTypeNvme);
static_assert(query::kNvmeDataTypeIdentify == NVMeDataTypeIdentify);
static_assert(query::kIdentifyCnsController == NVME_IDENTIFY_CNS_CONTROLLER);

// Identify Controller fields, as both access paths read them.
using Identify = NVME_IDENTIFY_CONTROLLER_DATA;
static_assert(discovery::identify::kSerialNumberOffset == offsetof(Identify, SN));
static_assert(discovery::identify::kSerialNumberSize == sizeof(Identify::SN));
static_assert(discovery::identify::kModelNumberOffset == offsetof(Identify, MN));
static_assert(discovery::identify::kModelNumberSize == sizeof(Identify::MN));
static_assert(discovery::identify::kFirmwareRevisionOffset == offsetof(Identify, FR));
static_assert(discovery::identify::kFirmwareRevisionSize == sizeof(Identify::FR));
// VER: tertiary in bits 7:0, minor in 15:8, major in 31:16 (little-endian).
static_assert(discovery::identify::kVersionOffset == offsetof(Identify, VER));
static_assert(discovery::identify::kVersionSize == sizeof(Identify::VER));
static_assert(discovery::identify::kVersionTertiaryOffset == offsetof(Identify, VER));
static_assert(discovery::identify::kVersionMinorOffset == offsetof(Identify, VER) + 1);
static_assert(discovery::identify::kVersionMajorOffset == offsetof(Identify, VER) + 2);
static_assert(discovery::identify::kFrmwOffset == offsetof(Identify, FRMW));
static_assert(discovery::identify::kFwugOffset == offsetof(Identify, FWUG));

// The miniport firmware structures both access paths share (platform/miniport_layout.h).
namespace mp = platform::miniport;
static_assert(mp::kSrbHeaderLengthOffset == offsetof(SRB_IO_CONTROL, HeaderLength));
static_assert(mp::kSrbSignatureOffset == offsetof(SRB_IO_CONTROL, Signature));
static_assert(mp::kSrbSignatureSize == sizeof(SRB_IO_CONTROL::Signature));
static_assert(mp::kSrbTimeoutOffset == offsetof(SRB_IO_CONTROL, Timeout));
static_assert(mp::kSrbControlCodeOffset == offsetof(SRB_IO_CONTROL, ControlCode));
static_assert(mp::kSrbReturnCodeOffset == offsetof(SRB_IO_CONTROL, ReturnCode));
static_assert(mp::kSrbLengthOffset == offsetof(SRB_IO_CONTROL, Length));
static_assert(mp::kSrbIoControlSize == sizeof(SRB_IO_CONTROL));
static_assert(mp::kSrbHeaderLengthValue == sizeof(SRB_IO_CONTROL));
static_assert(mp::kFrbVersionOffset == offsetof(FirmwareRequestBlock, Version));
static_assert(mp::kFrbSizeOffset == offsetof(FirmwareRequestBlock, Size));
static_assert(mp::kFrbFunctionOffset == offsetof(FirmwareRequestBlock, Function));
static_assert(mp::kFrbFlagsOffset == offsetof(FirmwareRequestBlock, Flags));
static_assert(mp::kFrbDataBufferOffsetOffset == offsetof(FirmwareRequestBlock, DataBufferOffset));
static_assert(mp::kFrbDataBufferLengthOffset == offsetof(FirmwareRequestBlock, DataBufferLength));
static_assert(mp::kFirmwareRequestBlockSize == sizeof(FirmwareRequestBlock));
static_assert(mp::kFrbVersionValue == sdk::FIRMWARE_REQUEST_BLOCK_STRUCTURE_VERSION);
static_assert(mp::kFrbSizeValue == sizeof(FirmwareRequestBlock));
static_assert(mp::kFirmwareFunctionGetInfo == sdk::FIRMWARE_FUNCTION_GET_INFO);
static_assert(mp::kFirmwareFunctionDownload == sdk::FIRMWARE_FUNCTION_DOWNLOAD);
static_assert(mp::kFirmwareFunctionActivate == sdk::FIRMWARE_FUNCTION_ACTIVATE);
static_assert(mp::kFirmwareRequestFlagController == sdk::FIRMWARE_REQUEST_FLAG_CONTROLLER);
static_assert(mp::kFirmwareStatusSuccess == sdk::FIRMWARE_STATUS_SUCCESS);
static_assert(mp::kFirmwareStatusError == sdk::FIRMWARE_STATUS_ERROR);
static_assert(mp::kFirmwareStatusIllegalRequest == sdk::FIRMWARE_STATUS_ILLEGAL_REQUEST);
static_assert(mp::kFirmwareStatusInvalidParameter == sdk::FIRMWARE_STATUS_INVALID_PARAMETER);
static_assert(mp::kFirmwareStatusInputBufferTooBig == sdk::FIRMWARE_STATUS_INPUT_BUFFER_TOO_BIG);
static_assert(mp::kFirmwareStatusInvalidSlot == sdk::FIRMWARE_STATUS_INVALID_SLOT);
static_assert(mp::kFirmwareStatusInvalidImage == sdk::FIRMWARE_STATUS_INVALID_IMAGE);
static_assert(mp::kFirmwareStatusControllerError == sdk::FIRMWARE_STATUS_CONTROLLER_ERROR);
static_assert(mp::kFirmwareStatusPowerCycleRequired == sdk::FIRMWARE_STATUS_POWER_CYCLE_REQUIRED);
static_assert(mp::kDownloadVersionOffset == offsetof(StorageFirmwareDownload, Version));
static_assert(mp::kDownloadSizeOffset == offsetof(StorageFirmwareDownload, Size));
static_assert(mp::kDownloadOffsetOffset == offsetof(StorageFirmwareDownload, Offset));
static_assert(mp::kDownloadBufferSizeOffset == offsetof(StorageFirmwareDownload, BufferSize));
static_assert(mp::kDownloadImageBufferOffset == offsetof(StorageFirmwareDownload, ImageBuffer));
static_assert(mp::kDownloadVersionValue == sdk::STORAGE_FIRMWARE_DOWNLOAD_STRUCTURE_VERSION);
static_assert(mp::kDownloadSizeValue == offsetof(StorageFirmwareDownload, ImageBuffer));
static_assert(mp::kDownloadVersionOffset == offsetof(StorageFirmwareDownloadV2, Version));
static_assert(mp::kDownloadSizeOffset == offsetof(StorageFirmwareDownloadV2, Size));
static_assert(mp::kDownloadOffsetOffset == offsetof(StorageFirmwareDownloadV2, Offset));
static_assert(mp::kDownloadBufferSizeOffset == offsetof(StorageFirmwareDownloadV2, BufferSize));
static_assert(mp::kDownloadV2SlotOffset == offsetof(StorageFirmwareDownloadV2, Slot));
static_assert(mp::kDownloadV2ReservedOffset == offsetof(StorageFirmwareDownloadV2, Reserved));
static_assert(mp::kDownloadV2ReservedSize == sizeof(StorageFirmwareDownloadV2::Reserved));
static_assert(mp::kDownloadV2ImageSizeOffset == offsetof(StorageFirmwareDownloadV2, ImageSize));
static_assert(mp::kDownloadV2ImageBufferOffset == offsetof(StorageFirmwareDownloadV2, ImageBuffer));
static_assert(mp::kDownloadV2VersionValue == sdk::STORAGE_FIRMWARE_DOWNLOAD_STRUCTURE_VERSION_V2);
static_assert(mp::kDownloadV2SizeValue == offsetof(StorageFirmwareDownloadV2, ImageBuffer));
static_assert(mp::kActivateVersionOffset == offsetof(StorageFirmwareActivate, Version));
static_assert(mp::kActivateSizeOffset == offsetof(StorageFirmwareActivate, Size));
static_assert(mp::kActivateSlotOffset == offsetof(StorageFirmwareActivate, SlotToActivate));
static_assert(mp::kStorageFirmwareActivateSize == sizeof(StorageFirmwareActivate));
static_assert(mp::kActivateVersionValue == sdk::STORAGE_FIRMWARE_ACTIVATE_STRUCTURE_VERSION);
static_assert(mp::kActivateSizeValue == sizeof(StorageFirmwareActivate));
static_assert(mp::kInfoVersionOffset == offsetof(StorageFirmwareInfo, Version));
static_assert(mp::kInfoUpgradeSupportOffset == offsetof(StorageFirmwareInfo, UpgradeSupport));
static_assert(mp::kInfoSlotCountOffset == offsetof(StorageFirmwareInfo, SlotCount));
static_assert(mp::kInfoActiveSlotOffset == offsetof(StorageFirmwareInfo, ActiveSlot));
static_assert(mp::kInfoPendingSlotOffset == offsetof(StorageFirmwareInfo, PendingActivateSlot));
static_assert(mp::kInfoSlotsOffset == offsetof(StorageFirmwareInfo, Slot));
static_assert(mp::kInfoVersionValue == sdk::STORAGE_FIRMWARE_INFO_STRUCTURE_VERSION);
static_assert(mp::kInfoInvalidSlotValue == sdk::STORAGE_FIRMWARE_INFO_INVALID_SLOT);
static_assert(mp::kSlotNumberOffset == offsetof(StorageFirmwareSlotInfo, SlotNumber));
static_assert(mp::kSlotReadOnlyOffset == offsetof(StorageFirmwareSlotInfo, ReadOnly));
static_assert(mp::kSlotRevisionOffset == offsetof(StorageFirmwareSlotInfo, Revision));
static_assert(mp::kSlotRevisionSize == sizeof(StorageFirmwareSlotInfo::Revision));
static_assert(mp::kStorageFirmwareSlotInfoSize == sizeof(StorageFirmwareSlotInfo));

// The inbox access path: FIRMWARE_REQUEST_BLOCK right behind SRB_IO_CONTROL, its data area behind
// it.
namespace ib = inbox::miniport;
static_assert(ib::kRequestBlockOffset == sizeof(SRB_IO_CONTROL));
static_assert(ib::kDataAreaOffset == sizeof(SRB_IO_CONTROL) + sizeof(FirmwareRequestBlock));
static_assert(ib::kRequestOverheadSize ==
              ib::kDataAreaOffset + offsetof(StorageFirmwareDownload, ImageBuffer));
static_assert(ib::kSrbSignatureValue.size() == sizeof(SRB_IO_CONTROL::Signature));

// The RST access path: the CSMI RAID configuration, the NVMe pass-through, the firmware request.
namespace rl = rst::layout;
static_assert(rl::kAddressOffset == sizeof(SRB_IO_CONTROL));
static_assert(rl::kCsmiSignatureValue.size() == sizeof(SRB_IO_CONTROL::Signature));
static_assert(rl::kCsmiRaidSetIndexOffset == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                                 offsetof(CsmiSasRaidConfig, uRaidSetIndex));
static_assert(rl::kCsmiCapacityOffset == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                             offsetof(CsmiSasRaidConfig, uCapacity));
static_assert(rl::kCsmiStripeSizeOffset == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                               offsetof(CsmiSasRaidConfig, uStripeSize));
static_assert(rl::kCsmiRaidTypeOffset == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                             offsetof(CsmiSasRaidConfig, bRaidType));
static_assert(rl::kCsmiDriveCountOffset == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                               offsetof(CsmiSasRaidConfig, bDriveCount));
static_assert(rl::kCsmiFirstDriveOffset == offsetof(CsmiSasRaidConfigBuffer, Configuration) +
                                               offsetof(CsmiSasRaidConfig, Drives));
static_assert(rl::kCsmiDriveEntrySize == sizeof(CsmiSasRaidDrives));
static_assert(rl::kCsmiDriveSasAddressOffset == offsetof(CsmiSasRaidDrives, bSASAddress));
static_assert(rl::kNvmSubmissionSize == sizeof(NVME_COMMAND));
static_assert(rl::kNvmCdw0Offset - rl::kNvmSubmissionOffset == offsetof(NVME_COMMAND, CDW0));
static_assert(rl::kNvmNsidOffset - rl::kNvmSubmissionOffset == offsetof(NVME_COMMAND, NSID));
static_assert(rl::kNvmCdw10Offset - rl::kNvmSubmissionOffset ==
              offsetof(NVME_COMMAND, u.GENERAL.CDW10));
static_assert(rl::kNvmCompletionSize == sizeof(NVME_COMPLETION_ENTRY));
static_assert(rl::kNvmCdw0Value == NVME_ADMIN_COMMAND_IDENTIFY);
static_assert(rl::kNvmCdw10Value == NVME_IDENTIFY_CNS_CONTROLLER);
static_assert(rl::kNvmDataAreaSize == sizeof(Identify));
static_assert(rl::kNvmGetLogPageCdw0Value == NVME_ADMIN_COMMAND_GET_LOG_PAGE);
static_assert(rl::kFirmwareSlotLogId == NVME_LOG_PAGE_FIRMWARE_SLOT_INFO);
static_assert(rl::kFirmwareSlotLogSize == sizeof(NVME_FIRMWARE_SLOT_INFO_LOG));
static_assert(rl::kSlotLogRevisionsOffset == offsetof(NVME_FIRMWARE_SLOT_INFO_LOG, FRS));
static_assert(rl::kSlotLogRevisionSize == sizeof(NVME_FIRMWARE_SLOT_INFO_LOG::FRS[0]));
static_assert(rl::kFwSignatureValue.size() == sizeof(SRB_IO_CONTROL::Signature));
static_assert(rl::kFwDataAreaOffset == rl::kFwRequestBlockOffset + sizeof(FirmwareRequestBlock));
static_assert(rl::kFwDownloadOverheadSize ==
              rl::kFwDataAreaOffset + offsetof(StorageFirmwareDownloadV2, ImageBuffer));
static_assert(rl::kFwActivateRequestSize ==
              rl::kFwDataAreaOffset + sizeof(StorageFirmwareActivate));

}  // namespace
