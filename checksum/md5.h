// MD5 message digest (RFC 1321) and the few operations on 16-byte digests that the list needs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellum {

// The 16 digest bytes in RFC 1321 order: words A, B, C, D, each low byte first.
struct Md5Digest {
    std::array<std::uint8_t, 16> bytes{};
    friend bool operator==(const Md5Digest&, const Md5Digest&) = default;
};

// Working context: four state words, the bit count (low word first) and a partial block.
struct DigestState {
    std::uint32_t state[4];
    std::uint32_t count[2];
    std::uint8_t buffer[64];
};

void DigestStart(DigestState& ctx);
// Folds count bytes in; whole 64-byte blocks are transformed straight from the input.
// A count of 0 or less changes nothing.
void DigestAdd(DigestState& ctx, const std::uint8_t* data, std::int32_t count);
// Pads, appends the length, writes the digest, then zeroes the whole state.
void DigestFinish(DigestState& ctx, Md5Digest& digest);

[[nodiscard]] Md5Digest DigestOfText(std::string_view text);
// 32 lower-case hexadecimal digits, byte 0 first, high nibble first.
[[nodiscard]] std::string DigestToHex(const Md5Digest& digest);
[[nodiscard]] bool DigestsEqual(const Md5Digest& a, const Md5Digest& b);
// -1, 0 or +1 by the first differing byte, bytes compared as unsigned.
[[nodiscard]] int CompareDigests(const Md5Digest& a, const Md5Digest& b);

}  // namespace vellum
