// How the image is cut for a download: a drive takes its firmware in pieces of
// UpdateGranularity units of 4 KiB (FWUG of Identify Controller). Both update access paths cut the
// working copy with this one plan, in ascending order, with the remainder as a shorter last
// piece; each access path keeps its own rule for a granularity no Identify answer can give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "image/firmware_image.h"

namespace image {

inline constexpr std::size_t kPieceUnit = 4096;  // UpdateGranularity counts 4 KiB units

// FWUG is one byte and 0 stands for "no granularity" (identification then gives 1), so a
// granularity an Identify answer can give lies in 1 to 255.
inline constexpr std::int32_t kMinGranularity = 1;
inline constexpr std::int32_t kMaxGranularity = 255;

inline constexpr bool IsPossibleGranularity(std::int32_t granularity) {
    return granularity >= kMinGranularity && granularity <= kMaxGranularity;
}

// The piece size in bytes of a possible granularity; any other stops the program.
std::size_t PieceSizeOf(std::int32_t granularity);

// The granularity the RST access path sends with: one 4 KiB unit, the least FWUG can name, for
// one no Identify answer can give. The inbox access path refuses such a drive instead.
inline constexpr std::int32_t GranularityOrLeast(std::int32_t granularity) {
    return IsPossibleGranularity(granularity) ? granularity : kMinGranularity;
}

// How many pieces of pieceSize bytes byteCount bytes take, the last one shorter when they must.
inline constexpr std::size_t PieceCountOf(std::size_t byteCount, std::size_t pieceSize) {
    return (byteCount + pieceSize - 1) / pieceSize;
}

struct Piece {
    std::size_t Offset = 0;               // where the piece starts in the image
    std::span<const std::uint8_t> Bytes;  // the piece, inside the working copy
};

class PiecePlan {
public:
    // The first byteCount bytes of the working copy in pieces of pieceSize bytes. A byte count
    // beyond the working copy or a piece size of 0 is a fault in the program and stops it.
    PiecePlan(const FirmwareImage& image, std::size_t byteCount, std::size_t pieceSize);

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Piece;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Piece;

        Iterator() = default;
        Piece operator*() const;
        Iterator& operator++();
        Iterator operator++(int);
        bool operator==(const Iterator& other) const { return m_offset == other.m_offset; }

    private:
        friend class PiecePlan;
        Iterator(const PiecePlan* plan, std::size_t offset) : m_plan(plan), m_offset(offset) {}

        const PiecePlan* m_plan = nullptr;
        std::size_t m_offset = 0;
    };

    // How many pieces the plan yields.
    std::size_t Count() const { return PieceCountOf(m_bytes.size(), m_pieceSize); }

    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, m_bytes.size()}; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pieceSize;
};

}  // namespace image
