// The operating system's inbox NVMe driver in front of one disk: the device number, the
// protocol-specific property query (Identify Controller) and the miniport firmware interface
// (SRB_IO_CONTROL "FIRMWARE": get-info, download, activate). Requests are decoded from the
// published Windows layouts; a malformed request fails as the real driver fails it.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/nvme_drive.h"
#include "sim/sim_endpoint.h"
#include "sim/windows_values.h"

namespace sim {

// The NVMe status of a firmware command as a FIRMWARE_STATUS.
std::uint32_t FirmwareStatusFromNvme(std::uint16_t nvmeStatus);

// Microsoft's NVMe firmware guidance caps one download request at 512 KiB (or the controller's
// maximum transfer size, if smaller).
inline constexpr std::uint32_t kDefaultMaxTransferBytes = 512 * 1024;

// Answers a scenario can make malformed on purpose, to test the tool's checks.
struct InboxDriverOptions {
    std::optional<std::uint32_t> infoDataBufferOffset;  // written back into the request block
    std::optional<std::uint8_t> infoSlotCount;          // SlotCount claimed in the answer
    std::optional<std::uint8_t> infoUpgradeSupport;     // UpgradeSupport claimed in the answer
    std::uint32_t infoVersion = 1;  // 2: STORAGE_FIRMWARE_INFO_V2, as newer drivers answer
    std::uint32_t maxTransferBytes = kDefaultMaxTransferBytes;  // largest piece; 0 = no limit
    std::uint32_t deviceNumberBytes = 12;  // what IOCTL_STORAGE_GET_DEVICE_NUMBER returns
};

class InboxDriver : public SimEndpoint {
public:
    InboxDriver(NvmeDrive& drive, std::uint32_t deviceNumber, InboxDriverOptions options = {});

    platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

    NvmeDrive& Drive() { return m_drive; }
    std::uint32_t DeviceNumber() const { return m_deviceNumber; }
    InboxDriverOptions& Options() { return m_options; }

private:
    platform::ControlResult DeviceNumberQuery(std::span<std::uint8_t> buffer);
    platform::ControlResult PropertyQuery(std::span<std::uint8_t> buffer,
                                          std::uint32_t inputLength);
    platform::ControlResult Miniport(std::span<std::uint8_t> buffer, std::uint32_t inputLength);
    std::uint32_t FirmwareGetInfo(std::span<std::uint8_t> buffer, std::uint32_t flags,
                                  std::uint32_t dataOffset, std::uint32_t dataLength);
    std::uint32_t FirmwareDownload(std::span<std::uint8_t> buffer, std::uint32_t dataOffset,
                                   std::uint32_t dataLength);
    std::uint32_t FirmwareActivate(std::span<std::uint8_t> buffer, std::uint32_t dataOffset,
                                   std::uint32_t dataLength);

    NvmeDrive& m_drive;
    std::uint32_t m_deviceNumber;
    InboxDriverOptions m_options;
};

}  // namespace sim
