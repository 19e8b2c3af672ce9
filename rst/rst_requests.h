// Builders of the RST driver requests and readers of its answers, over the layouts of
// rst_layout.h. Each Fill function gives the bytes of a cleared buffer filled field by field,
// whatever the buffer held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "rst/rst_layout.h"

namespace rst {

// The one-byte path identifier the Intel requests carry: the low 8 bits of the port (-1 -> 0xFF).
std::uint8_t PathIdentifier(std::int64_t portNumber);

// CSMI GET_RAID_CONFIG for one RAID set (uRaidSetIndex); the buffer holds room for
// (size - 64) / 136 drive entries.
void FillCsmiRaidConfigRequest(std::span<std::uint8_t> buffer, std::uint32_t raidSetIndex);
std::uint32_t ReturnCodeOf(std::span<const std::uint8_t> buffer);
std::uint8_t CsmiDriveCount(std::span<const std::uint8_t> buffer);
// How many drive entries lie wholly inside the buffer.
std::size_t CsmiEntriesThatFit(std::size_t bufferSize);
// The port byte (byte 2 of bSASAddress) of drive entry i, or nothing when it lies outside.
std::optional<std::uint8_t> CsmiMemberPort(std::span<const std::uint8_t> buffer, std::size_t i);

// Whether drive entry i lies in the buffer and its bModel names an NVMe drive.
bool CsmiMemberIsNvme(std::span<const std::uint8_t> buffer, std::size_t i);

// "IntelNvm" Identify Controller (4260 bytes).
void FillIdentifyPassThrough(std::span<std::uint8_t> buffer, std::uint8_t pathId);
// "IntelNvm" Get Log Page of the firmware slot information log, in a request of the same size.
void FillSlotLogPassThrough(std::span<std::uint8_t> buffer, std::uint8_t pathId);
// Whether the driver carried out a pass-through request: ReturnCode 0 or SRB_STATUS_SUCCESS.
bool PassThroughAnswered(std::span<const std::uint8_t> buffer);
// The whole data area (4096 bytes) of a pass-through request.
std::span<const std::uint8_t> PassThroughData(std::span<const std::uint8_t> buffer);
// From a slot log request's answer: the revision bytes of the slot to be activated at the next
// reset, or nothing when none is.
std::optional<std::span<const std::uint8_t>> PendingSlotRevision(
    std::span<const std::uint8_t> buffer);
// From a slot log request's answer: AFI's active slot (bits 2:0), its slot to be activated at
// the next reset (bits 6:4, 0 when none), and the revision bytes of slot 1 to 7.
std::uint8_t SlotLogActiveSlot(std::span<const std::uint8_t> buffer);
std::uint8_t SlotLogPendingSlot(std::span<const std::uint8_t> buffer);
std::span<const std::uint8_t> SlotLogRevision(std::span<const std::uint8_t> buffer,
                                              std::uint8_t slot);

// "IntelFw " download of one piece: the buffer is exactly piece.size() + 88 bytes.
void FillDownloadRequest(std::span<std::uint8_t> buffer, std::uint8_t pathId,
                         std::uint64_t imageOffset, std::span<const std::uint8_t> piece);
// "IntelFw " activation of `slot` (68 bytes).
void FillActivationRequest(std::span<std::uint8_t> buffer, std::uint8_t pathId,
                           std::uint8_t slot = layout::kFwActivateSlotValue);

}  // namespace rst
