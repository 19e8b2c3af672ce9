// Compile-time checks of the Windows values and layouts that the portable code spells itself,
// against the published definitions of the SDK headers. Nothing here runs.
#include <windows.h>

#include <winioctl.h>
#include <ntddscsi.h>
#include <nvme.h>
#include <setupapi.h>

#include <cstddef>

#include "platform/windows_values.h"

namespace {

// System error codes.
static_assert(win::kErrorSuccess == ERROR_SUCCESS);
static_assert(win::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
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

}  // namespace
