// The published Windows values the simulated machine checks requests against and answers with,
// declared from the Windows SDK documentation (never from the tool's own headers). Constants
// only, so that the Windows build checks them against the SDK headers too.
#pragma once

#include <cstdint>

namespace sim {

// FIRMWARE_STATUS values of SRB_IO_CONTROL.ReturnCode (ntddscsi.h).
inline constexpr std::uint32_t kFirmwareStatusSuccess = 0x0;
inline constexpr std::uint32_t kFirmwareStatusError = 0x1;
inline constexpr std::uint32_t kFirmwareStatusIllegalRequest = 0x2;
inline constexpr std::uint32_t kFirmwareStatusInvalidParameter = 0x3;
inline constexpr std::uint32_t kFirmwareStatusInputBufferTooBig = 0x4;
inline constexpr std::uint32_t kFirmwareStatusOutputBufferTooSmall = 0x5;
inline constexpr std::uint32_t kFirmwareStatusInvalidSlot = 0x6;
inline constexpr std::uint32_t kFirmwareStatusInvalidImage = 0x7;
inline constexpr std::uint32_t kFirmwareStatusControllerError = 0x10;
inline constexpr std::uint32_t kFirmwareStatusPowerCycleRequired = 0x20;
inline constexpr std::uint32_t kFirmwareStatusDeviceError = 0x40;

// ERROR_INVALID_FUNCTION: a control code or miniport signature the driver does not serve.
inline constexpr std::uint32_t kErrorInvalidFunction = 1;

// CreateFileW: every access right a caller may name (GENERIC_READ, GENERIC_WRITE,
// GENERIC_EXECUTE, GENERIC_ALL and FILE_ALL_ACCESS) and every share mode (FILE_SHARE_READ,
// FILE_SHARE_WRITE, FILE_SHARE_DELETE).
inline constexpr std::uint32_t kGenericRights = 0xF0000000u;
inline constexpr std::uint32_t kFileAllAccess = 0x001F01FFu;
inline constexpr std::uint32_t kFileShareAll = 0x7;

// The access bits of a control code (CTL_CODE): FILE_READ_ACCESS, FILE_WRITE_ACCESS.
inline constexpr unsigned kCtlCodeAccessShift = 14;
inline constexpr std::uint32_t kCtlCodeAccessMask = 0x3;
inline constexpr std::uint32_t kFileReadAccess = 0x1;
inline constexpr std::uint32_t kFileWriteAccess = 0x2;

// STORAGE_DEVICE_NUMBER.DeviceType of a disk.
inline constexpr std::uint32_t kFileDeviceDisk = 0x7;

// IOCTL_STORAGE_QUERY_PROPERTY of NVMe Identify data (winioctl.h, nvme.h).
inline constexpr std::uint32_t kStorageAdapterProtocolSpecificProperty = 49;
inline constexpr std::uint32_t kStorageDeviceProtocolSpecificProperty = 50;
inline constexpr std::uint32_t kPropertyStandardQuery = 0;
inline constexpr std::uint32_t kProtocolTypeNvme = 3;
inline constexpr std::uint32_t kNvmeDataTypeIdentify = 1;
inline constexpr std::uint32_t kNvmeIdentifyCnsController = 1;
inline constexpr std::uint8_t kNvmeAdminCommandIdentify = 0x06;

}  // namespace sim
