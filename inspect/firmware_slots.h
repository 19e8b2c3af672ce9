// A drive's firmware slots as the inspector reads them, on either access path: the inbox driver's
// firmware get-info answer, or the firmware slot information log (log page 03h) through the
// RST pass-through. Both are read with the updater's own readers, so that the inspector's
// "already downloaded" is the updater's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inbox/miniport_request.h"
#include "platform/platform.h"

namespace inspect {

struct FirmwareSlot {
    std::uint8_t Number = 0;
    bool ReadOnly = false;
    std::string Revision;  // the 8 bytes of the slot's revision, trailing zeros dropped
};

struct FirmwareSlots {
    bool RequestAnswered = false;  // the request succeeded (inbox: with ReturnCode 0)
    // Inbox: the updater's own reading of the get-info answer (inbox::ChooseWritableSlot).
    inbox::SlotChoice Choice = inbox::SlotChoice::Malformed;
    bool Answered = false;               // the slots below could be read
    std::uint32_t Version = 0;           // inbox: the structure's Version; only 0 and 1 are read
    std::uint32_t DataBufferOffset = 0;  // inbox: where the driver says the answer stands
    std::uint8_t SlotCount = 0;          // inbox: SlotCount as the driver claims it
    std::uint8_t UpgradeSupport = 0;
    std::uint8_t ActiveSlot = 0;
    std::optional<std::uint8_t> PendingSlot;  // the slot activated at the next reset
    std::vector<FirmwareSlot> Slots;
    // The pending slot holds the image: the updater sends nothing and reports 1602.
    bool ImageStaged = false;
    // The slot that holds the image the last reset did not activate, as the updater would find it.
    std::optional<std::uint8_t> UnactivatedImageSlot;
};

// The inbox driver's firmware get-info, read in the version-1 layout the updater reads, in the
// buffer the updater sends for pieces of `pieceSize` bytes: the same request it would send.
FirmwareSlots ReadInboxSlots(platform::Platform& platform, const std::u16string& path,
                             std::size_t pieceSize, std::u16string_view imageRevision);

// The slot log through the "IntelNvm" pass-through at the drive's path identifier; the slots
// listed are those FRMW of the Identify data counts (slot 1 read-only when FRMW bit 0 says so).
FirmwareSlots ReadRstSlots(platform::Platform& platform, const std::u16string& controllerPath,
                           std::uint8_t pathId, std::span<const std::uint8_t> identify,
                           std::u16string_view imageRevision);

}  // namespace inspect
