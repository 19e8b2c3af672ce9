#pragma once

#include <cstddef>
#include <cstdint>

namespace image {

inline constexpr std::size_t kImageSize = 0x200000;

// The firmware image compiled into the program (generated from the build's image file).
extern const std::uint8_t kCarriedImage[kImageSize];

}  // namespace image
