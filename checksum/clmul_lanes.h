// Carry-less folding of CRCs, the parts the CRC routines share: the multipliers of a polynomial,
// and 128-bit lanes and 512-bit registers of lanes carried forward and finished. See
// crc_clmul.cpp for the method.
//
// Everything here carries its instruction set in function attributes (x86-64 only), so it may
// be included anywhere and runs only where the caller checked the processor.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "checksum/fold_paths.h"

namespace vellum::paths::clmul {

#define VELLUM_PCLMUL __attribute__((target("pclmul,ssse3")))
#define VELLUM_VPCLMUL __attribute__((target("avx512f,avx512bw,avx512vl,vpclmulqdq,pclmul,ssse3")))

// The two multipliers that carry a lane over one distance, in the lane's own order: lo
// multiplies the low 64 bits of the lane, hi the high 64.
struct Keys {
    std::uint64_t lo;
    std::uint64_t hi;
};

// The three distances used: one lane, four lanes (a 512-bit register, or the four lanes of the
// 128-bit loop) and sixteen lanes (the four 512-bit registers of the wide loop).
struct FoldKeys {
    Keys lane;
    Keys four;
    Keys sixteen;
};

// x^n mod P with bit k standing for x^k; poly is P without its x^width term.
constexpr std::uint64_t PowerMod(int n, int width, std::uint64_t poly) {
    std::uint64_t r = 1;
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if ((r >> width) & 1) r ^= (std::uint64_t{1} << width) | poly;
    }
    return r;
}

// A residue of a reflected CRC as PCLMULQDQ sees it: x^d in bit 63 - d.
constexpr std::uint64_t Reflect(std::uint64_t r, int width) {
    std::uint64_t v = 0;
    for (int d = 0; d < width; ++d)
        if ((r >> d) & 1) v |= std::uint64_t{1} << (63 - d);
    return v;
}

// A reflected lane holds the message's first bit in bit 0 and x^(127 - k) in bit k, so its low
// half is the high-order one; the product of two reflected 64-bit values comes out one place
// short of that order, which the exponents one lower make up for. A lane in the normal order
// (loaded with its bytes reversed) holds x^k in bit k and multiplies exactly.
constexpr Keys KeysFor(int distance, int width, std::uint64_t poly, bool reflected) {
    if (reflected)
        return {Reflect(PowerMod(distance + 63, width, poly), width),
                Reflect(PowerMod(distance - 1, width, poly), width)};
    return {PowerMod(distance, width, poly), PowerMod(distance + 64, width, poly)};
}

constexpr FoldKeys MakeKeys(int width, std::uint64_t poly, bool reflected) {
    return {KeysFor(128, width, poly, reflected), KeysFor(512, width, poly, reflected),
            KeysFor(2048, width, poly, reflected)};
}

// The byte-table fold that starts and ends the work, at 32 bits for every width.
using TableFn = std::uint32_t(std::uint32_t crc, const std::uint8_t* data, std::int32_t count);

struct ClmulCrc {
    int width;
    bool reflected;
    FoldKeys keys;
    TableFn* table;
};

inline std::uint32_t Crc16Table(std::uint32_t crc, const std::uint8_t* data, std::int32_t count) {
    return Crc16Portable(static_cast<std::uint16_t>(crc), data, count);
}
inline std::uint32_t Crc16ReflectedTable(std::uint32_t crc, const std::uint8_t* data,
                                         std::int32_t count) {
    return Crc16ReflectedPortable(static_cast<std::uint16_t>(crc), data, count);
}

inline constexpr ClmulCrc kCrc16{16, false, MakeKeys(16, 0x1021, false), Crc16Table};
inline constexpr ClmulCrc kCrc16Reflected{16, true, MakeKeys(16, 0x8005, true),
                                          Crc16ReflectedTable};
inline constexpr ClmulCrc kCrc32{32, true, MakeKeys(32, 0x04C11DB7, true), Crc32Portable};

// Below these lengths the table is as fast as setting up the lanes.
inline constexpr std::size_t kMinClmul = 64;
inline constexpr std::size_t kMinVpclmul = 512;

// ---- 128-bit lanes ----

VELLUM_PCLMUL inline __m128i KeyVector(Keys k) {
    return _mm_set_epi64x(static_cast<long long>(k.hi), static_cast<long long>(k.lo));
}

VELLUM_PCLMUL inline __m128i ByteReversal() {
    return _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
}

template <bool Reflected>
VELLUM_PCLMUL inline __m128i LoadLane(const std::uint8_t* p, __m128i reversal) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if constexpr (Reflected) return v;
    return _mm_shuffle_epi8(v, reversal);
}

// The running value stands in for the first width bits of the message.
template <bool Reflected>
VELLUM_PCLMUL inline __m128i StartLane(std::uint32_t crc, int width) {
    if constexpr (Reflected) return _mm_cvtsi32_si128(static_cast<int>(crc));
    return _mm_slli_si128(_mm_cvtsi32_si128(static_cast<int>(crc << (32 - width))), 12);
}

VELLUM_PCLMUL inline __m128i Carry(__m128i lane, __m128i keys) {
    return _mm_xor_si128(_mm_clmulepi64_si128(lane, keys, 0x00),
                         _mm_clmulepi64_si128(lane, keys, 0x11));
}

// Four lanes in a row become one, which is carried over the whole 16-byte blocks left; the last
// lane and the tail go through the table.
template <bool Reflected>
VELLUM_PCLMUL std::uint32_t FinishLanes(const ClmulCrc& c, const __m128i (&lanes)[4],
                                        const std::uint8_t* p, std::size_t n) {
    const __m128i reversal = ByteReversal();
    const __m128i one = KeyVector(c.keys.lane);
    __m128i r = lanes[0];
    for (int k = 1; k < 4; ++k) r = _mm_xor_si128(Carry(r, one), lanes[k]);
    for (; n >= 16; p += 16, n -= 16)
        r = _mm_xor_si128(Carry(r, one), LoadLane<Reflected>(p, reversal));
    if constexpr (!Reflected) r = _mm_shuffle_epi8(r, reversal);
    alignas(16) std::uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), r);
    const std::uint32_t crc = c.table(0, last, 16);
    return c.table(crc, p, static_cast<std::int32_t>(n));
}

// ---- 512-bit registers, four lanes each ----

// Built from 64-bit halves: GCC 12's 128-bit broadcast and lane extraction start from an
// "undefined" register that trips its own uninitialised-value warning.
VELLUM_VPCLMUL inline __m512i KeyVector512(Keys k) {
    const auto lo = static_cast<long long>(k.lo);
    const auto hi = static_cast<long long>(k.hi);
    return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

VELLUM_VPCLMUL inline __m512i ByteReversal512() {
    return KeyVector512({0x08090A0B0C0D0E0F, 0x0001020304050607});
}

template <bool Reflected>
VELLUM_VPCLMUL inline __m512i Load512(const std::uint8_t* p, __m512i reversal) {
    const __m512i v = _mm512_loadu_si512(p);
    if constexpr (Reflected) return v;
    return _mm512_shuffle_epi8(v, reversal);
}

// The product halves and the next data meet in one three-way exclusive or.
VELLUM_VPCLMUL inline __m512i Carry512(__m512i lanes, __m512i keys, __m512i next) {
    return _mm512_ternarylogic_epi32(_mm512_clmulepi64_epi128(lanes, keys, 0x00),
                                     _mm512_clmulepi64_epi128(lanes, keys, 0x11), next, 0x96);
}

}  // namespace vellum::paths::clmul
