// The three folds the list pass runs over every block it reads, beside MD5 (which runs in the
// lanes, many files at once): the CRC-16 of the variant in force, the CRC-32 and the sum.
#pragma once

#include <cstdint>

namespace vellum {

// The running values a file's blocks are folded into.
struct RunningFolds {
    std::uint16_t& crc16;
    std::uint32_t& crc32;
    std::uint16_t& xsum;
    bool crc16Reflected;  // Crc16ReflectedUpdate (variant 2) rather than Crc16Update
};

// Folds count bytes into all three; a count of 0 or less changes nothing.
void FoldBlock(const RunningFolds& folds, const std::uint8_t* data, std::int32_t count);

}  // namespace vellum
