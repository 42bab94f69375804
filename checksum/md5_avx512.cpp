// The MD5 block transform on the low lane of 128-bit registers, for AVX-512VL: VPTERNLOGD makes
// each round function one instruction and VPROLD rotates in one, so a step's chain from the word
// just computed is four one-cycle instructions (function, add, rotate, add) against five for
// F and I in scalar code. The other lanes compute garbage that is never read.
// Compiled per function for its instruction set (see crc_clmul.cpp for why not per file).
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "checksum/fold_paths.h"
#include "checksum/md5_schedule.h"

namespace vellum::paths {
namespace {

#define VELLUM_AVX512VL __attribute__((target("avx512f,avx512vl"), always_inline))

// The truth tables of F, G, H and I for VPTERNLOGD with b, c, d as its three inputs.
constexpr int kLogic[4] = {0xCA, 0xE4, 0x96, 0x39};

// The early terms (old word, message word, constant) are summed before the round function joins
// them; the empty asm keeps the compiler from reassociating that order away.
template <std::size_t I>
VELLUM_AVX512VL inline void Step(__m128i (&v)[4], const std::uint8_t* block) {
    __m128i& a = v[md5::RoleA(I)];
    const __m128i b = v[md5::RoleB(I)];
    const __m128i c = v[md5::RoleC(I)];
    const __m128i d = v[md5::RoleD(I)];
    const std::uint32_t early = md5::LoadLe32(block + 4 * md5::kWord[I]) + md5::kSine[I];
    a = _mm_add_epi32(a, _mm_cvtsi32_si128(static_cast<int>(early)));
    asm("" : "+v"(a));
    a = _mm_add_epi32(a, _mm_ternarylogic_epi32(b, c, d, kLogic[I / 16]));
    a = _mm_add_epi32(_mm_rol_epi32(a, md5::kShift[I]), b);
}

template <std::size_t... I>
VELLUM_AVX512VL inline void Steps(__m128i (&v)[4], const std::uint8_t* block,
                                  std::index_sequence<I...>) {
    (Step<I>(v, block), ...);
}

}  // namespace

__attribute__((target("avx512f,avx512vl"))) void Md5BlocksAvx512(std::uint32_t (&state)[4],
                                                                 const std::uint8_t* data,
                                                                 std::size_t blocks) {
    __m128i v[4];
    for (int w = 0; w < 4; ++w) v[w] = _mm_cvtsi32_si128(static_cast<int>(state[w]));
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i before[4] = {v[0], v[1], v[2], v[3]};
        Steps(v, data, std::make_index_sequence<64>{});
        for (int w = 0; w < 4; ++w) v[w] = _mm_add_epi32(v[w], before[w]);
    }
    for (int w = 0; w < 4; ++w) state[w] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v[w]));
}

}  // namespace vellum::paths
