// xsum: the sum of all bytes modulo 65536, with no end-around carry and no complement.
#pragma once

#include <cstdint>

namespace vellum {

// Folds count bytes into a running sum; a count of 0 or less changes nothing.
[[nodiscard]] std::uint16_t XsumUpdate(std::uint16_t sum, const std::uint8_t* data,
                                       std::int32_t count);

}  // namespace vellum
