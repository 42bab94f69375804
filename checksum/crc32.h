// CRC-32 fold of polynomial 0x04C11DB7, reflected (table of 0xEDB88320).
#pragma once

#include <array>
#include <cstdint>

namespace vellum {

extern const std::array<std::uint32_t, 256> Crc32Table;

// Folds count bytes into a running CRC; a count of 0 or less changes nothing.
[[nodiscard]] std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data,
                                        std::int32_t count);

}  // namespace vellum
