// The fused fold for processors with VPCLMULQDQ: each 64-byte block goes through the scalar MD5
// steps, and while they run, through the 512-bit CRC folds of both CRCs and PSADBW. The CRC lanes
// are finished as the CRC routines finish theirs (clmul_lanes.h). Compiled per function for its
// instruction set (see crc_clmul.cpp for why not per file).
#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "checksum/clmul_lanes.h"
#include "checksum/fold_all.h"
#include "checksum/fold_paths.h"
#include "checksum/md5_schedule.h"

namespace vellum::paths {
namespace {

using namespace clmul;

// Below this the lane setup and finish outweigh what the fusion saves.
constexpr std::size_t kMinFused = 512;
// MD5 blocks per call of the scalar transform, which stays out of line: inlined into this
// function, GCC packs its four words into paired or vector registers and halves its speed. The
// group's CRC and sum work is issued just before the call, and out-of-order execution runs it
// beside the MD5 chain all the same. Group size chosen by benchmark (AllFour/fused of
// bench_checksum, AMD family 1Ah): 1, 4, 16 and 64 blocks ran within noise of each other, and 4
// keeps the work of a group well inside the out-of-order window.
constexpr std::size_t kGroup = 4;

template <bool Reflected>
VELLUM_VPCLMUL inline __m512i InOrder(__m512i v, __m512i reversal) {
    if constexpr (Reflected) return v;
    return _mm512_shuffle_epi8(v, reversal);
}

VELLUM_VPCLMUL inline __m512i Start(__m128i lane) {
    return _mm512_zextsi128_si512(lane);
}

template <bool Reflected>
VELLUM_VPCLMUL std::uint32_t Finish(const ClmulCrc& c, __m512i r, const std::uint8_t* tail,
                                    std::size_t n) {
    __m128i lanes[4];
    _mm512_storeu_si512(lanes, r);
    return FinishLanes<Reflected>(c, lanes, tail, n);
}

// Whole blocks from a block boundary of MD5 (its buffer is empty), n >= kMinFused.
template <bool Reflected16>
VELLUM_VPCLMUL void Fused(const RunningValues& v, const std::uint8_t* p, std::size_t n) {
    const ClmulCrc& c16 = Reflected16 ? kCrc16Reflected : kCrc16;
    const __m512i reversal = ByteReversal512();
    const __m512i keys32 = KeyVector512(kCrc32.keys.four);
    const __m512i keys16 = KeyVector512(c16.keys.four);
    const __m512i zero = _mm512_setzero_si512();
    const std::size_t blocks = n / 64;

    const __m512i first = _mm512_loadu_si512(p);
    __m512i r32 = _mm512_xor_si512(first, Start(StartLane<true>(v.crc32, 32)));
    __m512i r16 = _mm512_xor_si512(InOrder<Reflected16>(first, reversal),
                                   Start(StartLane<Reflected16>(v.crc16, 16)));
    __m512i sums = _mm512_sad_epu8(first, zero);
    for (std::size_t j = 0; j < blocks;) {
        const std::size_t group = std::min(kGroup, blocks - j);
        for (std::size_t k = j == 0 ? 1 : 0; k < group; ++k) {
            const __m512i next = _mm512_loadu_si512(p + 64 * (j + k));
            r32 = Carry512(r32, keys32, next);
            r16 = Carry512(r16, keys16, InOrder<Reflected16>(next, reversal));
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(next, zero));
        }
        Md5BlocksPortable(v.digest.state, p + 64 * j, group);
        j += group;
    }

    const std::uint8_t* tail = p + 64 * blocks;
    const std::size_t rest = n % 64;
    DigestCountBytes(v.digest, static_cast<std::uint32_t>(n));
    std::memcpy(v.digest.buffer, tail, rest);
    v.crc32 = Finish<true>(kCrc32, r32, tail, rest);
    v.crc16 = static_cast<std::uint16_t>(Finish<Reflected16>(c16, r16, tail, rest));
    std::uint64_t lanes[8];
    _mm512_storeu_si512(lanes, sums);
    std::uint64_t total = v.xsum;
    for (const std::uint64_t lane : lanes) total += lane;
    for (std::size_t k = 0; k < rest; ++k) total += tail[k];
    v.xsum = static_cast<std::uint16_t>(total);
}

}  // namespace

void FoldAllFused(const RunningValues& v, const std::uint8_t* data, std::int32_t count) {
    std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    // MD5 takes blocks straight from the input only from a block boundary: the bytes that
    // complete its buffered block go the separate way first.
    if (const std::uint32_t position = (v.digest.count[0] >> 3) & 0x3F; position != 0) {
        const std::size_t k = std::min<std::size_t>(n, 64 - position);
        FoldAllSeparate(v, data, static_cast<std::int32_t>(k));
        data += k;
        n -= k;
    }
    if (n < kMinFused) {
        FoldAllSeparate(v, data, static_cast<std::int32_t>(n));
    } else if (v.crc16Reflected) {
        Fused<true>(v, data, n);
    } else {
        Fused<false>(v, data, n);
    }
}

}  // namespace vellum::paths
