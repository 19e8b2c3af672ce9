// Published Windows values that the portable logic passes through the platform layer.
// They are spelled as constants in a namespace so that they never clash with the
// macros of <windows.h> in the Win32 layer, which checks them against the SDK.
#pragma once

#include <cstdint>

namespace win {

using Dword = std::uint32_t;

// System error codes (winerror.h).
inline constexpr Dword kErrorSuccess = 0;
inline constexpr Dword kErrorFileNotFound = 2;
inline constexpr Dword kErrorPathNotFound = 3;
inline constexpr Dword kErrorAccessDenied = 5;
inline constexpr Dword kErrorInvalidHandle = 6;
inline constexpr Dword kErrorNotEnoughMemory = 8;
inline constexpr Dword kErrorGenFailure = 31;
inline constexpr Dword kErrorSharingViolation = 32;
inline constexpr Dword kErrorNotSupported = 50;
inline constexpr Dword kErrorFileExists = 80;
inline constexpr Dword kErrorCannotMake = 82;
inline constexpr Dword kErrorInvalidParameter = 87;
inline constexpr Dword kErrorInsufficientBuffer = 122;
inline constexpr Dword kErrorAlreadyExists = 183;
inline constexpr Dword kErrorNoMoreItems = 259;
inline constexpr Dword kErrorIoDevice = 1117;
inline constexpr Dword kErrorNotFound = 1168;

// CreateFileW.
inline constexpr Dword kGenericRead = 0x80000000u;
inline constexpr Dword kGenericWrite = 0x40000000u;
inline constexpr Dword kFileShareRead = 0x1;
inline constexpr Dword kFileShareWrite = 0x2;
inline constexpr Dword kOpenExisting = 3;
inline constexpr Dword kFileAttributeNormal = 0x80;
inline constexpr Dword kFileFlagOverlapped = 0x40000000u;

// Device control codes.
inline constexpr Dword kIoctlStorageGetDeviceNumber = 0x002D1080;
inline constexpr Dword kIoctlStorageQueryProperty = 0x002D1400;
inline constexpr Dword kIoctlScsiMiniport = 0x0004D008;
inline constexpr Dword kIoctlScsiMiniportFirmware = 0x001B0780;

// SetupDiGetClassDevsW flags.
inline constexpr Dword kDigcfPresent = 0x2;
inline constexpr Dword kDigcfAllClasses = 0x4;
inline constexpr Dword kDigcfDeviceInterface = 0x10;

// Property value types: DEVPROPTYPE of SetupDiGetDevicePropertyW, and the registry types of
// SetupDiGetDeviceRegistryPropertyW.
inline constexpr Dword kDevpropTypeString = 0x12;
inline constexpr Dword kRegSz = 1;
inline constexpr Dword kRegMultiSz = 7;

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

struct DevPropKey {
    Guid fmtid;
    std::uint32_t pid;
    friend constexpr bool operator==(const DevPropKey&, const DevPropKey&) = default;
};

inline constexpr Guid kGuidDevinterfaceDisk = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
inline constexpr Guid kGuidDevinterfaceStoragePort = {
    0x2ACCFE60, 0xC130, 0x11D2, {0xB0, 0x82, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

inline constexpr DevPropKey kDevpkeyDeviceParent = {
    {0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}}, 8};
inline constexpr DevPropKey kDevpkeyDeviceInstanceId = {
    {0x78C34FC8, 0x104A, 0x4ACA, {0x9E, 0xA4, 0x52, 0x4D, 0x52, 0x99, 0x6E, 0x57}}, 256};
inline constexpr DevPropKey kDevpkeyDeviceDriverDesc = {
    {0xA8B865DD, 0x2E3D, 0x4094, {0xAD, 0x97, 0xE5, 0x93, 0xA7, 0x0C, 0x75, 0xD6}}, 4};
inline constexpr DevPropKey kDevpkeyDeviceLocationInfo = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 15};

}  // namespace win
