// The lanes kernel for AVX2: 8 lanes a group in 256-bit registers. Without a three-input logic
// instruction or a rotation, a step's chain from the word just computed is five or six
// instructions (F and I two for the function, G and H one, two for the rotation, two adds), so
// two groups run side by side. Each lane's block is loaded as two halves and each set of halves
// transposed in registers. Compiled per function for its instruction set (see crc_clmul.cpp for
// why not per file).
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "checksum/md5_lane_kernels.h"
#include "checksum/md5_schedule.h"

namespace vellum::paths {
namespace {

#define VELLUM_AVX2 __attribute__((target("avx2"), always_inline))

// Row i holds 8 words of lane i; afterwards row k holds word k of every lane (see the AVX-512
// kernel's transposition: the same, with two 128-bit parts).
VELLUM_AVX2 inline void Transpose(__m256i* r) {
    __m256i t[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    __m256i q[2][4];  // q[j][m]: in part c, word 4c + m of lanes 4j to 4j + 3
    for (int j = 0; j < 2; ++j) {
        q[j][0] = _mm256_unpacklo_epi64(t[4 * j], t[4 * j + 2]);
        q[j][1] = _mm256_unpackhi_epi64(t[4 * j], t[4 * j + 2]);
        q[j][2] = _mm256_unpacklo_epi64(t[4 * j + 1], t[4 * j + 3]);
        q[j][3] = _mm256_unpackhi_epi64(t[4 * j + 1], t[4 * j + 3]);
    }
    for (int m = 0; m < 4; ++m) {
        r[m] = _mm256_permute2x128_si256(q[0][m], q[1][m], 0x20);
        r[4 + m] = _mm256_permute2x128_si256(q[0][m], q[1][m], 0x31);
    }
}

template <std::size_t G>
struct Groups {
    __m256i v[G][4];              // the state words, transposed
    __m256i w[G][16];             // the block's words, transposed
    const std::uint8_t* p[G][8];  // each lane's next block
};

template <int S>
VELLUM_AVX2 inline __m256i Rotate(__m256i x) {
    if constexpr (S == 16) {
        const __m256i halves =
            _mm256_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13, 2, 3, 0, 1, 6, 7,
                             4, 5, 10, 11, 8, 9, 14, 15, 12, 13);
        return _mm256_shuffle_epi8(x, halves);
    }
    return _mm256_or_si256(_mm256_slli_epi32(x, S), _mm256_srli_epi32(x, 32 - S));
}

// As the scalar steps: the terms that do not wait for b first, then an empty asm that keeps the
// compiler from reassociating them with the ones that do.
template <std::size_t I, std::size_t G>
VELLUM_AVX2 inline void Step(Groups<G>& s) {
    for (std::size_t g = 0; g < G; ++g) {
        __m256i& a = s.v[g][md5::RoleA(I)];
        const __m256i b = s.v[g][md5::RoleB(I)];
        const __m256i c = s.v[g][md5::RoleC(I)];
        const __m256i d = s.v[g][md5::RoleD(I)];
        const __m256i k = _mm256_set1_epi32(static_cast<int>(md5::kSine[I]));
        a = _mm256_add_epi32(a, _mm256_add_epi32(s.w[g][md5::kWord[I]], k));
        __m256i f;
        if constexpr (I < 16) {
            const __m256i cd = _mm256_xor_si256(c, d);
            asm("" : "+x"(a));
            f = _mm256_xor_si256(d, _mm256_and_si256(b, cd));
        } else if constexpr (I < 32) {
            a = _mm256_add_epi32(a, _mm256_andnot_si256(d, c));
            asm("" : "+x"(a));
            f = _mm256_and_si256(b, d);
        } else if constexpr (I < 48) {
            const __m256i cd = _mm256_xor_si256(c, d);
            asm("" : "+x"(a));
            f = _mm256_xor_si256(b, cd);
        } else {
            const __m256i notD = _mm256_xor_si256(d, _mm256_set1_epi32(-1));
            asm("" : "+x"(a));
            f = _mm256_xor_si256(c, _mm256_or_si256(b, notD));
        }
        a = _mm256_add_epi32(Rotate<md5::kShift[I]>(_mm256_add_epi32(a, f)), b);
    }
}

template <std::size_t G, std::size_t... I>
VELLUM_AVX2 inline void Steps(Groups<G>& s, std::index_sequence<I...>) {
    (Step<I>(s), ...);
}

template <std::size_t G>
__attribute__((target("avx2"))) void Run(const LaneGroup* groups, std::size_t blocks) {
    Groups<G> s;
    for (std::size_t g = 0; g < G; ++g) {
        for (std::size_t r = 0; r < 4; ++r)
            s.v[g][r] = _mm256_loadu_si256(
                reinterpret_cast<const __m256i*>(groups[g].words + r * kLaneRow));
        for (std::size_t i = 0; i < 8; ++i) s.p[g][i] = groups[g].next[i];
    }
    for (std::size_t at = 0; at < 64 * blocks; at += 64) {
        for (std::size_t g = 0; g < G; ++g) {
            for (std::size_t h = 0; h < 2; ++h) {
                for (std::size_t i = 0; i < 8; ++i)
                    s.w[g][8 * h + i] = _mm256_loadu_si256(
                        reinterpret_cast<const __m256i*>(s.p[g][i] + at + 32 * h));
                Transpose(s.w[g] + 8 * h);
            }
        }
        __m256i before[G][4];
        for (std::size_t g = 0; g < G; ++g)
            for (std::size_t r = 0; r < 4; ++r) before[g][r] = s.v[g][r];
        Steps(s, std::make_index_sequence<64>{});
        for (std::size_t g = 0; g < G; ++g)
            for (std::size_t r = 0; r < 4; ++r)
                s.v[g][r] = _mm256_add_epi32(s.v[g][r], before[g][r]);
    }
    for (std::size_t g = 0; g < G; ++g) {
        // Lane i's bit of busy, spread to the top bit of its word, selects it for the store.
        const __m256i busy = _mm256_sllv_epi32(_mm256_set1_epi32(static_cast<int>(groups[g].busy)),
                                               _mm256_setr_epi32(31, 30, 29, 28, 27, 26, 25, 24));
        for (std::size_t r = 0; r < 4; ++r)
            _mm256_maskstore_epi32(reinterpret_cast<int*>(groups[g].words + r * kLaneRow), busy,
                                   s.v[g][r]);
    }
}

}  // namespace

void Md5LanesAvx2(const LaneGroup* groups, int count, std::size_t blocks) {
    // More groups than the registers hold run two at a time.
    for (; count > 2; count -= 2, groups += 2) Run<2>(groups, blocks);
    switch (count) {
        case 1:
            return Run<1>(groups, blocks);
        default:
            return Run<2>(groups, blocks);
    }
}

}  // namespace vellum::paths
