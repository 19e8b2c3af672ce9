// The drives of the capture: what a disk answers read-only (its device number, its Identify
// Controller data through the protocol-specific property query, the firmware get-info of the
// miniport interface), the scenario's drive object of Identify data, and the "getInfo"
// overrides that make the simulated inbox driver answer get-info as the captured one reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_number_layout.h"
#include "inspect/capture_json.h"
#include "platform/platform.h"

namespace inspect {

// The 4096 bytes of Identify Controller data.
using IdentifyData = std::vector<std::uint8_t>;

// The firmware get-info request buffer as the driver left it.
struct GetInfoAnswer {
    bool ok = false;
    win::Dword error = 0;
    std::vector<std::uint8_t> buffer;
};

struct DiskProbe {
    bool opened = false;
    bool numberAnswered = false;  // IOCTL_STORAGE_GET_DEVICE_NUMBER succeeded
    std::uint32_t numberBytes = 0;
    std::optional<std::uint32_t> deviceNumber;  // when DeviceNumber was among the bytes returned
    std::optional<IdentifyData> identify;       // when the property query succeeded
    std::optional<GetInfoAnswer> getInfo;       // asked only of a disk that gave Identify data
};

// Opens the disk's interface path as the tool opens a disk and asks the device number and the
// Identify data, then, when `askGetInfo`, the firmware get-info.
DiskProbe ProbeDisk(platform::Platform& platform, std::u16string_view path, bool askGetInfo);

// The bytes of STORAGE_DEVICE_NUMBER, which IOCTL_STORAGE_GET_DEVICE_NUMBER returns whole.
using discovery::device_number::kStorageDeviceNumberSize;

// A drive's firmware slots as captured: each slot's revision from slot 1 on, the active slot
// and the slot to be activated at the next reset.
struct SlotState {
    std::vector<std::string> revisions;
    std::uint8_t activeSlot = 1;
    std::optional<std::uint8_t> pendingSlot;
};

// The scenario's drive object: name, SN, MN and FR as text, VER, FRMW, FWUG and the byte
// overrides that make the simulated drive's Identify data equal `identify` byte for byte; and
// its slots, active and pending slot where they are not a new drive's (slot 1 running).
json::Value DriveJson(std::string_view name, std::span<const std::uint8_t> identify,
                      const std::optional<SlotState>& slots = std::nullopt);
// The text a fixed-width ASCII field (of Identify data, a slot revision) gives the scenario:
// trailing blanks and zeros dropped, other bytes outside printable ASCII as '?'.
std::string FieldText(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size);

struct GetInfoMapping {
    json::Value overrides;           // the inbox disk's "getInfo" object; null: none needed
    std::vector<std::string> notes;  // what the simulated answer cannot give as captured
    std::optional<SlotState> slots;  // the drive's slots, where the answer lists them as fwsim's
};

// The slots of an "IntelNvm" slot log answer, the slot count from FRMW; nothing when the
// driver did not serve it.
std::optional<SlotState> SlotLogState(std::span<const std::uint8_t> request,
                                      std::span<const std::uint8_t> identify);

// Compares the captured get-info answer with the one the simulated driver derives from FRMW
// and a slot log in which slot 1 holds the running revision and is active.
GetInfoMapping MapGetInfo(const GetInfoAnswer& answer, std::span<const std::uint8_t> identify);

}  // namespace inspect
