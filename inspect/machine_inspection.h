// The read-only half of an update run, with the reason of every decision: the updater's own
// discovery, identification and selection, run behind a guard that lets only reading requests
// through, plus the firmware slots that the inbox driver reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/device_decision.h"
#include "inspect/firmware_slots.h"
#include "model/disk_record.h"
#include "platform/platform.h"

namespace inspect {

enum class DecisionKind {
    WouldBeUpdated,          // at the older revision: the updater downloads and activates
    AlreadyCurrent,          // at the image's revision: reported, nothing sent
    AnotherRevision,         // identified, any other revision: left alone, not reported
    NotMakersDrive,          // its parent is not the maker's NVMe controller
    NoNvmeHardwareId,        // none of its hardware IDs names NVMe
    NotOpened,               // CreateFileW refused it (error holds the code)
    IdentificationFailed,    // Identify Controller did not come back
    RaidVolume,              // an RST RAID volume, expanded into its member drives
    RaidSetWithoutVolume,    // a RAID set the RST driver has beyond the volumes Windows lists
    NoRaidSets,              // no volume listed and the RST driver does not say: taken as none
    RstController,           // the Intel RST controller the updater chose
    NotRstController,        // a storage controller the updater does not use
    NotBehindRstController,  // an Intel-parented disk that is not on the chosen RST controller
    SameDrive,               // identified before through another RAID volume: updated once there
    AddressCollision,        // another disk behind RST answers at the same path identifier
    AlreadyDownloaded,       // at the older revision, the image waiting for the next reset
    ImageNotActivated,       // at the older revision, the image in a slot, no activation pending
    LeftOut,                 // any other reason discovery gives (see `found.verdict`)
};

struct InspectedDevice {
    discovery::DeviceDecision Found;  // discovery's decision (for a RAID member: the volume's)
    bool RaidMember = false;
    model::DiskRecord Disk;  // how it is reached and, once identified, who it is
    bool Identified = false;
    std::size_t IdentifiedIndex = 0;  // identified: its record's place in Identified
    std::size_t SameAs = 0;           // SameDrive: the number of the device it is (from 1)
    model::DiskRecord SameAsDisk;     // SameDrive, AddressCollision: the earlier record there
    std::size_t EarlierIndex = 0;     // SameDrive, AddressCollision: its place in Identified
    std::uint8_t ImageSlot = 0;       // ImageNotActivated: the slot that holds the image
    std::uint16_t VersionMajor = 0;   // VER of the Identify data
    std::uint8_t VersionMinor = 0;
    std::uint8_t VersionTertiary = 0;
    std::uint8_t Fwug = 0;
    std::size_t PieceSize = 0;  // what the updater would send, in bytes
    std::size_t PieceCount = 0;
    FirmwareSlots Slots;  // identified drives, where the access path could read them
    DecisionKind Decision = DecisionKind::LeftOut;
    win::Dword Error = 0;     // NotOpened: the system error code
    std::string Stop;         // IdentificationFailed, RaidVolume: where it stopped
    std::size_t Members = 0;  // RaidVolume: member drives found
    std::string Obstacle;     // WouldBeUpdated: why the update would fail, if it would
    // Not accounted for: one of the maker's drives may be missed here, and the updater ends
    // with 1.
    bool LeftBehind = false;
};

struct Inspection {
    std::u16string ImageRevision;
    std::u16string UpgradableRevision;
    std::vector<InspectedDevice> Devices;
    std::int32_t ExpectedExitCode = 1;  // what the updater would end with, downloads succeeding
    std::size_t RefusedRequests = 0;    // requests the read-only guard stopped (always 0)
};

Inspection Inspect(platform::Platform& platform);

std::string_view DecisionText(DecisionKind decision);

}  // namespace inspect
