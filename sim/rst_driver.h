// The Intel RST RAID driver on the controller's storage-port path: CSMI GET_RAID_CONFIG
// ("CSMIARY"), the NVMe pass-through ("IntelNvm") and firmware download and activation
// ("IntelFw "), each decoded from its published layout. Drives are reached by path identifier:
// the port of a plain disk, or the CSMI port of a RAID member.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/nvme_drive.h"
#include "sim/sim_endpoint.h"

namespace sim {

// CSMI statuses (ReturnCode of "CSMIARY" requests).
inline constexpr std::uint32_t kCsmiSuccess = 0;
inline constexpr std::uint32_t kCsmiBadControlCode = 2;
inline constexpr std::uint32_t kCsmiInvalidParameter = 3;
inline constexpr std::uint32_t kCsmiRaidSetOutOfRange = 1000;
inline constexpr std::uint32_t kCsmiRaidSetBufferTooSmall = 1001;

// SCSI request-block statuses, the ReturnCode of "IntelNvm" requests.
inline constexpr std::uint32_t kSrbStatusSuccess = 0x01;
inline constexpr std::uint32_t kSrbStatusError = 0x04;
inline constexpr std::uint32_t kSrbStatusNoDevice = 0x08;

// CSMI_SAS_RAID_TYPE_* values.
inline constexpr std::uint8_t kCsmiRaidType0 = 1;
inline constexpr std::uint8_t kCsmiRaidType1 = 2;
inline constexpr std::uint8_t kCsmiRaidType10 = 3;
inline constexpr std::uint8_t kCsmiRaidType5 = 4;

struct RaidMember {
    std::uint8_t port = 0;       // path identifier: byte 2 of bSASAddress
    NvmeDrive* drive = nullptr;  // null: a member whose drive is missing, or a SATA drive
    std::string sataModel;       // a SATA member: its model, as bModel carries it
};

struct RaidSet {
    std::uint8_t raidType = kCsmiRaidType1;
    std::uint32_t capacityMb = 0;
    std::uint32_t stripeSizeKb = 0;
    std::vector<RaidMember> members;
};

struct RstDriverOptions {
    std::optional<std::uint32_t> raidQueryReturnCode;  // refuse GET_RAID_CONFIG with this status
    std::uint32_t activationReturnCode = 0x20;  // a successful activation: power cycle required
    // A request to a port without a drive: the pass-through's and the firmware interface's.
    std::uint32_t emptyPortPassThroughReturnCode = kSrbStatusNoDevice;
    std::uint32_t emptyPortFirmwareReturnCode = 1;  // FIRMWARE_STATUS_ERROR
    // Answer a GET_RAID_CONFIG whose buffer cannot hold the set's drives with 1001 and the count.
    bool raidBufferTooSmall = false;
    // Refuse the pass-through's Get Log Page of the firmware slot log with this ReturnCode.
    std::optional<std::uint32_t> slotLogReturnCode;
};

class RstDriver : public SimEndpoint {
public:
    explicit RstDriver(RstDriverOptions options = {}) : m_options(options) {}

    platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

    void AddPort(std::uint8_t port, NvmeDrive& drive) { m_ports[port] = &drive; }
    // A SATA drive at the port: it answers no NVMe pass-through and takes no firmware request.
    void AddSataPort(std::uint8_t port, std::string model) { m_sataPorts[port] = std::move(model); }
    void AddRaidSet(RaidSet set);
    RstDriverOptions& Options() { return m_options; }

private:
    std::uint32_t GetRaidConfig(std::span<std::uint8_t> request);
    std::uint32_t NvmePassThrough(std::span<std::uint8_t> request);
    std::uint32_t FirmwareSlotLog(NvmeDrive& drive, std::span<std::uint8_t> request,
                                  std::span<std::uint8_t> data);
    std::uint32_t Firmware(std::span<std::uint8_t> request);
    NvmeDrive* Addressed(std::span<const std::uint8_t> request) const;

    RstDriverOptions m_options;
    std::map<std::uint8_t, NvmeDrive*> m_ports;
    std::map<std::uint8_t, std::string> m_sataPorts;
    std::vector<RaidSet> m_sets;
};

}  // namespace sim
