// Building the miniport firmware requests and reading the get-info answer. One buffer of
// S = C + 76 bytes (C = the piece size) serves every request of one update.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

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

using SlotRevisionBytes = std::array<std::uint8_t, platform::miniport::kSlotRevisionSize>;

struct SlotAnswer {
    SlotChoice choice = SlotChoice::Malformed;
    std::uint8_t slot = 0;
    // The Revision of the entry whose SlotNumber is PendingActivateSlot, when the answer names
    // a slot to be activated at the next reset and lists it.
    std::optional<SlotRevisionBytes> pendingRevision;
};

// Reads STORAGE_FIRMWARE_INFO at the DataBufferOffset the request block holds after the call:
// picks the first writable slot (SlotNumber not 0, ReadOnly 0) and finds the pending slot's
// entry. An answer whose header or slot entries would lie outside the buffer, or of a
// structure version other than 0 or 1, is Malformed.
SlotAnswer ChooseWritableSlot(std::span<const std::uint8_t> buffer);

}  // namespace inbox
