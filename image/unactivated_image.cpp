#include "image/unactivated_image.h"

#include "image/firmware_image.h"

namespace image {

std::optional<std::uint8_t> SlotOfUnactivatedImage(std::uint8_t activeSlot,
                                                   std::optional<std::uint8_t> pendingSlot,
                                                   std::span<const SlotRevision> slots,
                                                   std::u16string_view imageRevision) {
    if (pendingSlot) {
        return std::nullopt;
    }
    for (const SlotRevision& slot : slots) {
        if (slot.Number != 0 && slot.Number != activeSlot &&
            IsRevision(slot.Revision, imageRevision)) {
            return slot.Number;
        }
    }
    return std::nullopt;
}

}  // namespace image
