// A drive that holds the image in a slot that the last reset did not activate. Some drives
// activate new firmware only after a full power-off: after the update and a restart they still
// run the older revision, keep the image in a slot, and have nothing pending.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace image {

// One firmware slot as the drive's slot report lists it.
struct SlotRevision {
    std::uint8_t Number = 0;
    std::span<const std::uint8_t> Revision;  // the slot's 8 revision bytes
};

// The first listed slot, other than the active one, whose revision is the image's, when nothing
// is to be activated at the next reset. The one test of the update on either access path and of
// the inspector; the caller asks it only of a drive at the older revision.
std::optional<std::uint8_t> SlotOfUnactivatedImage(std::uint8_t activeSlot,
                                                   std::optional<std::uint8_t> pendingSlot,
                                                   std::span<const SlotRevision> slots,
                                                   std::u16string_view imageRevision);

}  // namespace image
