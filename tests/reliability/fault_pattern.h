// The bytes and sizes of vellum_faultfs, shared by the file system and the tests that read it.
#pragma once

#include <cstdint>
#include <string>

namespace vellum::test {

inline constexpr std::int64_t kFaultMiB = 1024 * 1024;
inline constexpr std::int64_t kEioFileSize = 3 * kFaultMiB;
inline constexpr std::int64_t kEioFrom = 3 * kFaultMiB / 2;  // reads reaching past this fail
inline constexpr std::int64_t kShortFileClaimed = 4 * kFaultMiB;
inline constexpr std::int64_t kShortFileReal = 5 * kFaultMiB / 4;
inline constexpr std::int64_t kGrowingStart = kFaultMiB;
inline constexpr std::int64_t kGrowingStep = kFaultMiB / 2;
inline constexpr std::int64_t kGrowingCap = 6 * kFaultMiB;
inline constexpr std::int64_t kBigFileSize = 5LL * 1024 * kFaultMiB;

// Differs from one byte to the next and from one 4 KiB page to the next, and its top bits
// come into it, so a read from the wrong offset (one cut to 32 bits, say) shows.
inline char FaultPattern(std::int64_t offset) {
    const auto o = static_cast<std::uint64_t>(offset);
    return static_cast<char>((o * 7) ^ (o >> 12) ^ (o >> 32) * 131);
}

// count bytes of the pattern from offset on.
inline std::string FaultBytes(std::int64_t offset, std::int64_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    for (std::int64_t k = 0; k < count; ++k)
        bytes[static_cast<std::size_t>(k)] = FaultPattern(offset + k);
    return bytes;
}

}  // namespace vellum::test
