// Building the miniport firmware requests and reading the get-info answer. One buffer of
// S = C + 76 bytes (C = the piece size) serves every request of one update.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/miniport_layout.h"

namespace inbox {

// The request buffer size for pieces of pieceSize bytes.
std::size_t MiniportBufferSize(std::size_t pieceSize);

// Zero-fills the buffer and writes SRB_IO_CONTROL and FIRMWARE_REQUEST_BLOCK for `function`;
// Length and DataBufferLength cover the whole buffer.
void BuildFirmwareRequest(std::span<std::uint8_t> buffer, std::uint32_t function);

// A download request carrying `piece` (at most the buffer's room) for image offset `offset`:
// the bytes BuildFirmwareRequest and the download fields would give, whatever the buffer held.
void BuildDownloadRequest(std::span<std::uint8_t> buffer, std::uint64_t offset,
                          std::span<const std::uint8_t> piece);

void BuildActivateRequest(std::span<std::uint8_t> buffer, std::uint8_t slot);

// SRB_IO_CONTROL.ReturnCode as the miniport left it.
std::uint32_t FirmwareReturnCode(std::span<const std::uint8_t> buffer);

enum class SlotChoice { Chosen, NotUpdatable, Malformed };

// The NVMe standard's most firmware slots, numbered 1 to 7.
inline constexpr std::uint8_t kMaxFirmwareSlots = 7;

using SlotRevisionBytes = std::array<std::uint8_t, platform::miniport::kSlotRevisionSize>;

// One slot entry of STORAGE_FIRMWARE_INFO.
struct FirmwareSlotEntry {
    std::uint8_t Number = 0;
    bool ReadOnly = false;
    SlotRevisionBytes Revision{};
};

// STORAGE_FIRMWARE_INFO as the get-info answer holds it, read in the version-1 layout. The
// driver names where the answer stands (DataBufferOffset) and may move it; only what lies
// inside the buffer is read.
struct FirmwareInfo {
    enum class Layout {
        Outside,       // the header does not fit in the buffer at DataBufferOffset
        OtherVersion,  // Version is neither 0 nor 1 (STORAGE_FIRMWARE_INFO_V2 differs)
        Version1,      // the fields below are read
    };
    std::uint32_t DataBufferOffset = 0;
    Layout Layout = Layout::Outside;
    std::uint32_t Version = 0;  // read unless Outside
    std::uint8_t UpgradeSupport = 0;
    std::uint8_t SlotCount = 0;  // as the driver claims it
    std::uint8_t ActiveSlot = 0;
    std::uint8_t PendingSlotField = 0;  // PendingActivateSlot as written
    // Windows writes STORAGE_FIRMWARE_INFO_INVALID_SLOT (0xFF) when nothing is pending, the
    // drive's own log says 0: both are none here.
    std::optional<std::uint8_t> PendingSlot;
    // The claimed entries in order, up to the first that would lie outside the buffer.
    std::vector<FirmwareSlotEntry> Slots;

    bool AllSlotsListed() const { return Slots.size() == SlotCount; }
};

// The one reading of a get-info answer, for the update, the inspector and the capture.
FirmwareInfo ReadFirmwareInfo(std::span<const std::uint8_t> buffer);

struct SlotAnswer {
    SlotChoice Choice = SlotChoice::Malformed;
    std::uint8_t Slot = 0;
    // The Revision of the entry whose SlotNumber is PendingActivateSlot, when the answer names
    // a slot to be activated at the next reset and lists it.
    std::optional<SlotRevisionBytes> PendingRevision;
};

// Picks the first writable slot (ReadOnly 0) of the answer and finds the pending slot's entry. An
// answer whose header lies before the data area or whose header or slot entries lie outside the
// buffer, of a structure version other than 0 or 1, claiming more than 7 slots or naming a slot
// outside 1 to 7, is Malformed.
SlotAnswer ChooseWritableSlot(const FirmwareInfo& info);

// A rerun before the reboot: the answer names a slot to be activated at the next reset that
// holds the image. The one test of the update and the inspector.
bool ImageAwaitsReset(const SlotAnswer& answer, std::u16string_view imageRevision);

// A drive that the last reset did not activate: the slot of a well-formed answer, other than the
// active one, that holds the image while nothing is pending (image::SlotOfUnactivatedImage).
std::optional<std::uint8_t> SlotOfUnactivatedImage(const FirmwareInfo& info,
                                                   const SlotAnswer& answer,
                                                   std::u16string_view imageRevision);

}  // namespace inbox
