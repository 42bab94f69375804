#include "checksum/crc32.h"

#include <cstddef>
#include <utility>

#include "checksum/fold_paths.h"

namespace vellum {
namespace {

// Bytes folded per step of the sliced loop: table k gives the effect of a byte followed by k
// zero bytes, so one step is kSlices independent lookups instead of a chain of kSlices.
// Slice width chosen by benchmark (bench_checksum, GCC 12 on x86-64): 16 gave 1.7 to 2 times
// the speed of 8, while 32 gave only a tenth more and its 32 KiB of tables would fill a typical
// L1 data cache.
constexpr int kSlices = 16;
using Table = std::array<std::uint32_t, 256>;
using Slices = std::array<Table, kSlices>;

constexpr std::uint32_t Entry(unsigned index) {
    std::uint32_t c = index;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    return c;
}

constexpr Slices MakeSlices() {
    Slices t{};
    for (unsigned i = 0; i < 256; ++i) t[0][i] = Entry(i);
    for (int k = 1; k < kSlices; ++k) {
        for (unsigned i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
    return t;
}

constexpr Slices kSlice = MakeSlices();

static_assert(kSlice[0][1] == 0x77073096 && kSlice[0][128] == 0xEDB88320 &&
              kSlice[0][255] == 0x2D02EF8D);

// The register enters a group as its first four message bytes, low byte first. Bytes are read
// one by one, so neither alignment nor the machine's byte order matters; the fold over the index
// pack unrolls the group at any optimisation level.
template <std::size_t J>
constexpr std::uint32_t GroupTerm(std::uint32_t crc, const std::uint8_t* p) {
    std::uint32_t index = p[J];
    if constexpr (J < 4) index = (index ^ (crc >> (8 * J))) & 0xFF;
    return kSlice[kSlices - 1 - J][index];
}

template <std::size_t... J>
std::uint32_t Group(std::uint32_t crc, const std::uint8_t* p, std::index_sequence<J...>) {
    return (GroupTerm<J>(crc, p) ^ ...);
}

}  // namespace

constexpr Table Crc32Table = kSlice[0];

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::int32_t count) {
    static paths::Crc32Fn* const fold = paths::Chosen(paths::Crc32Paths()).fn;
    return fold(crc, data, count);
}

std::uint32_t paths::Crc32Portable(std::uint32_t crc, const std::uint8_t* data,
                                   std::int32_t count) {
    if (count <= 0) return crc;
    const auto n = static_cast<std::size_t>(count);
    std::size_t i = 0;
    for (; i + kSlices <= n; i += kSlices) {
        crc = Group(crc, data + i, std::make_index_sequence<kSlices>{});
    }
    for (; i < n; ++i) crc = kSlice[0][(data[i] ^ crc) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace vellum
