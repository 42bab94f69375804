// xsum by PSADBW, which adds eight bytes into a 64-bit lane in one instruction; a 64-bit lane
// cannot overflow on any count a call takes, so the lanes are reduced modulo 65536 only once.
// Compiled per function for its instruction set (see crc_clmul.cpp for why not per file).
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "checksum/fold_paths.h"

namespace vellum::paths {
namespace {

std::uint16_t AddTail(std::uint64_t total, const std::uint8_t* p, std::size_t n) {
    for (; n > 0; ++p, --n) total += *p;
    return static_cast<std::uint16_t>(total);
}

// The two 64-bit lanes added; SSE2 alone has no extract of the high lane.
std::uint64_t Lanes(__m128i v) {
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(v)) +
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
}

std::size_t Length(std::int32_t count) {
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

// The last 16-byte pieces and bytes, inlined into each path so that it is encoded for that path's
// instruction set. (A call from the AVX paths into SSE code compiled apart left the upper register
// halves dirty: GCC 12 put no VZEROUPPER before the tail call, and every later SSE instruction of
// the process ran at a quarter of its speed.)
[[gnu::always_inline]] inline std::uint16_t Tail(std::uint64_t total, const std::uint8_t* p,
                                                 std::size_t n) {
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = zero;
    for (; n >= 16; p += 16, n -= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(v, zero));
    }
    return AddTail(total + Lanes(acc), p, n);
}

}  // namespace

// Four accumulators: one PSADBW a cycle needs more than one chain of additions behind it.
std::uint16_t XsumSse2(std::uint16_t sum, const std::uint8_t* data, std::int32_t count) {
    std::size_t n = Length(count);
    const std::uint8_t* p = data;
    const __m128i zero = _mm_setzero_si128();
    __m128i acc[4] = {zero, zero, zero, zero};
    for (; n >= 64; p += 64, n -= 64) {
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            acc[k] = _mm_add_epi64(acc[k], _mm_sad_epu8(v, zero));
        }
    }
    const __m128i s = _mm_add_epi64(_mm_add_epi64(acc[0], acc[1]), _mm_add_epi64(acc[2], acc[3]));
    return Tail(Lanes(s) + sum, p, n);
}

__attribute__((target("avx2"))) std::uint16_t XsumAvx2(std::uint16_t sum, const std::uint8_t* data,
                                                       std::int32_t count) {
    std::size_t n = Length(count);
    const std::uint8_t* p = data;
    const __m256i zero = _mm256_setzero_si256();
    __m256i acc[4] = {zero, zero, zero, zero};
    for (; n >= 128; p += 128, n -= 128) {
        for (int k = 0; k < 4; ++k) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
            acc[k] = _mm256_add_epi64(acc[k], _mm256_sad_epu8(v, zero));
        }
    }
    const __m256i s4 =
        _mm256_add_epi64(_mm256_add_epi64(acc[0], acc[1]), _mm256_add_epi64(acc[2], acc[3]));
    const __m128i s2 = _mm_add_epi64(_mm256_castsi256_si128(s4), _mm256_extracti128_si256(s4, 1));
    return Tail(Lanes(s2) + sum, p, n);
}

__attribute__((target("avx512f,avx512bw"))) std::uint16_t XsumAvx512(std::uint16_t sum,
                                                                     const std::uint8_t* data,
                                                                     std::int32_t count) {
    std::size_t n = Length(count);
    const std::uint8_t* p = data;
    const __m512i zero = _mm512_setzero_si512();
    __m512i acc[4] = {zero, zero, zero, zero};
    for (; n >= 256; p += 256, n -= 256) {
        for (int k = 0; k < 4; ++k) {
            const __m512i v = _mm512_loadu_si512(p + 64 * k);
            acc[k] = _mm512_add_epi64(acc[k], _mm512_sad_epu8(v, zero));
        }
    }
    const __m512i s =
        _mm512_add_epi64(_mm512_add_epi64(acc[0], acc[1]), _mm512_add_epi64(acc[2], acc[3]));
    // Stored rather than reduced in registers: GCC 12's reduction trips its own
    // uninitialised-value warning.
    std::uint64_t lanes[8];
    _mm512_storeu_si512(lanes, s);
    std::uint64_t total = 0;
    for (const std::uint64_t lane : lanes) total += lane;
    return Tail(total + sum, p, n);
}

}  // namespace vellum::paths
