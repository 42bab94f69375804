// The lanes kernel for AVX-512: 16 lanes a group in 512-bit registers. VPTERNLOGD makes each
// round function one instruction and VPROLD rotates in one, so a step's chain from the word just
// computed is four instructions: function, add, rotate, add. Each lane's block is loaded whole and
// the 16 blocks are transposed in registers (64 shuffles), which beats gathering the words: a
// gather costs a load per word, and more when the lanes' buffers share an offset modulo 4096.
// Groups run side by side to hide the chains' latency: one where a vector add takes a cycle,
// more where it takes two. Compiled per function for its instruction set (see crc_clmul.cpp for
// why not per file).
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "checksum/md5_lane_kernels.h"
#include "checksum/md5_schedule.h"

// GCC 12's 512-bit shuffles start from a deliberately undefined vector, which its flow analysis
// then reports as maybe used uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace vellum::paths {
namespace {

#define VELLUM_AVX512F __attribute__((target("avx512f"), always_inline))

// The truth tables of F, G, H and I for VPTERNLOGD with b, c, d as its three inputs.
constexpr int kLogic[4] = {0xCA, 0xE4, 0x96, 0x39};

// Row i holds lane i's 16 words; afterwards row k holds word k of every lane. Words are swapped
// in pairs, then pairs in quads, which leaves 4 by 4 blocks transposed within each 128-bit part;
// two shuffles of whole parts put the parts in place.
VELLUM_AVX512F inline void Transpose(__m512i (&r)[16]) {
    __m512i t[16];
    for (int i = 0; i < 16; i += 2) {
        t[i] = _mm512_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm512_unpackhi_epi32(r[i], r[i + 1]);
    }
    __m512i q[4][4];  // q[j][m]: in part c, word 4c + m of lanes 4j to 4j + 3
    for (int j = 0; j < 4; ++j) {
        q[j][0] = _mm512_unpacklo_epi64(t[4 * j], t[4 * j + 2]);
        q[j][1] = _mm512_unpackhi_epi64(t[4 * j], t[4 * j + 2]);
        q[j][2] = _mm512_unpacklo_epi64(t[4 * j + 1], t[4 * j + 3]);
        q[j][3] = _mm512_unpackhi_epi64(t[4 * j + 1], t[4 * j + 3]);
    }
    for (int m = 0; m < 4; ++m) {
        const __m512i low01 = _mm512_shuffle_i32x4(q[0][m], q[1][m], 0x44);
        const __m512i high01 = _mm512_shuffle_i32x4(q[0][m], q[1][m], 0xEE);
        const __m512i low23 = _mm512_shuffle_i32x4(q[2][m], q[3][m], 0x44);
        const __m512i high23 = _mm512_shuffle_i32x4(q[2][m], q[3][m], 0xEE);
        r[m] = _mm512_shuffle_i32x4(low01, low23, 0x88);
        r[4 + m] = _mm512_shuffle_i32x4(low01, low23, 0xDD);
        r[8 + m] = _mm512_shuffle_i32x4(high01, high23, 0x88);
        r[12 + m] = _mm512_shuffle_i32x4(high01, high23, 0xDD);
    }
}

template <std::size_t G>
struct Groups {
    __m512i v[G][4];               // the state words, transposed
    __m512i w[G][16];              // the block's words, transposed
    const std::uint8_t* p[G][16];  // each lane's next block
};

// The early terms (old word, message word, constant) are summed before the round function joins
// them; the empty asm keeps the compiler from reassociating that order away.
template <std::size_t I, std::size_t G>
VELLUM_AVX512F inline void Step(Groups<G>& s) {
    for (std::size_t g = 0; g < G; ++g) {
        __m512i& a = s.v[g][md5::RoleA(I)];
        const __m512i b = s.v[g][md5::RoleB(I)];
        const __m512i c = s.v[g][md5::RoleC(I)];
        const __m512i d = s.v[g][md5::RoleD(I)];
        const __m512i k = _mm512_set1_epi32(static_cast<int>(md5::kSine[I]));
        a = _mm512_add_epi32(a, _mm512_add_epi32(s.w[g][md5::kWord[I]], k));
        asm("" : "+v"(a));
        a = _mm512_add_epi32(a, _mm512_ternarylogic_epi32(b, c, d, kLogic[I / 16]));
        a = _mm512_add_epi32(_mm512_rol_epi32(a, md5::kShift[I]), b);
    }
}

template <std::size_t G, std::size_t... I>
VELLUM_AVX512F inline void Steps(Groups<G>& s, std::index_sequence<I...>) {
    (Step<I>(s), ...);
}

template <std::size_t G>
__attribute__((target("avx512f"))) void Run(const LaneGroup* groups, std::size_t blocks) {
    Groups<G> s;
    for (std::size_t g = 0; g < G; ++g) {
        for (std::size_t r = 0; r < 4; ++r)
            s.v[g][r] = _mm512_loadu_si512(groups[g].words + r * kLaneRow);
        for (std::size_t i = 0; i < 16; ++i) s.p[g][i] = groups[g].next[i];
    }
    for (std::size_t at = 0; at < 64 * blocks; at += 64) {
        for (std::size_t g = 0; g < G; ++g) {
            for (std::size_t i = 0; i < 16; ++i) s.w[g][i] = _mm512_loadu_si512(s.p[g][i] + at);
            Transpose(s.w[g]);
        }
        __m512i before[G][4];
        for (std::size_t g = 0; g < G; ++g)
            for (std::size_t r = 0; r < 4; ++r) before[g][r] = s.v[g][r];
        Steps(s, std::make_index_sequence<64>{});
        for (std::size_t g = 0; g < G; ++g)
            for (std::size_t r = 0; r < 4; ++r)
                s.v[g][r] = _mm512_add_epi32(s.v[g][r], before[g][r]);
    }
    for (std::size_t g = 0; g < G; ++g)
        for (std::size_t r = 0; r < 4; ++r)
            _mm512_mask_storeu_epi32(groups[g].words + r * kLaneRow,
                                     static_cast<__mmask16>(groups[g].busy), s.v[g][r]);
}

}  // namespace

void Md5LanesAvx512(const LaneGroup* groups, int count, std::size_t blocks) {
    // More groups than the registers hold run four at a time.
    for (; count > 4; count -= 4, groups += 4) Run<4>(groups, blocks);
    switch (count) {
        case 1:
            return Run<1>(groups, blocks);
        case 2:
            return Run<2>(groups, blocks);
        case 3:
            return Run<3>(groups, blocks);
        default:
            return Run<4>(groups, blocks);
    }
}

}  // namespace vellum::paths
