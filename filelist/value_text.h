// The texts of a row's values as the grid, the values dialog and the list file write them:
// upper-case hexadecimal of fixed width for the checksums, lower-case for the digest.
#pragma once

#include <cstdint>
#include <string>

namespace vellum {

// value as exactly digits upper-case hexadecimal digits, leading zeros kept.
[[nodiscard]] inline std::string UpperHex(std::uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int k = digits - 1; k >= 0; --k, value >>= 4) text[k] = kDigits[value & 0xF];
    return text;
}

[[nodiscard]] inline std::string Crc16Text(std::uint16_t v) {
    return UpperHex(v, 4);
}
[[nodiscard]] inline std::string Crc32Text(std::uint32_t v) {
    return UpperHex(v, 8);
}
[[nodiscard]] inline std::string XsumText(std::uint16_t v) {
    return UpperHex(v, 4);
}

}  // namespace vellum
