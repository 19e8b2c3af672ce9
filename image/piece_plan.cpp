#include "image/piece_plan.h"

#include <algorithm>
#include <cstdlib>

#include "platform/byte_layout.h"

namespace image {

std::size_t PieceSizeOf(std::int32_t granularity) {
    if (!IsPossibleGranularity(granularity)) {
        std::abort();
    }
    return static_cast<std::size_t>(granularity) * kPieceUnit;
}

PiecePlan::PiecePlan(const FirmwareImage& image, std::size_t byteCount, std::size_t pieceSize)
    : m_pieceSize(pieceSize) {
    platform::CheckFits(image.WorkingCopy.size(), 0, byteCount);
    if (pieceSize == 0) {
        std::abort();
    }
    m_bytes = std::span<const std::uint8_t>(image.WorkingCopy.data(), byteCount);
}

Piece PiecePlan::Iterator::operator*() const {
    const std::size_t length = std::min(m_plan->m_pieceSize, m_plan->m_bytes.size() - m_offset);
    return {m_offset, m_plan->m_bytes.subspan(m_offset, length)};
}

PiecePlan::Iterator& PiecePlan::Iterator::operator++() {
    m_offset += std::min(m_plan->m_pieceSize, m_plan->m_bytes.size() - m_offset);
    return *this;
}

PiecePlan::Iterator PiecePlan::Iterator::operator++(int) {
    Iterator before = *this;
    ++*this;
    return before;
}

}  // namespace image
