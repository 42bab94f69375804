// The portable lanes kernel: each group is one lane, and the scalar steps of up to four lanes
// are interleaved. One MD5 chain keeps a core's adders waiting for its last result most of the
// time; a second and third chain fill those cycles.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "checksum/md5_lane_kernels.h"
#include "checksum/md5_schedule.h"

namespace vellum::paths {
namespace {

template <std::size_t N>
struct Chains {
    std::uint32_t v[N][4];
    const std::uint8_t* p[N];
};

template <std::size_t I, std::size_t N>
[[gnu::always_inline]] inline void StepEach(Chains<N>& c) {
    for (std::size_t n = 0; n < N; ++n) md5::Step<I>(c.v[n], c.p[n]);
}

template <std::size_t N, std::size_t... I>
[[gnu::always_inline]] inline void Block(Chains<N>& c, std::index_sequence<I...>) {
    (StepEach<I>(c), ...);
}

template <std::size_t N>
void Interleaved(const LaneGroup* groups, std::size_t blocks) {
    Chains<N> c;
    for (std::size_t n = 0; n < N; ++n) {
        for (std::size_t w = 0; w < 4; ++w) c.v[n][w] = groups[n].words[w * kLaneRow];
        c.p[n] = groups[n].next[0];
    }
    for (; blocks > 0; --blocks) {
        Chains<N> before = c;
        Block(c, std::make_index_sequence<64>{});
        for (std::size_t n = 0; n < N; ++n) {
            for (std::size_t w = 0; w < 4; ++w) c.v[n][w] += before.v[n][w];
            c.p[n] += 64;
        }
    }
    for (std::size_t n = 0; n < N; ++n)
        for (std::size_t w = 0; w < 4; ++w) groups[n].words[w * kLaneRow] = c.v[n][w];
}

}  // namespace

void Md5LanesPortable(const LaneGroup* groups, int count, std::size_t blocks) {
    // More groups than the chains interleaved run four at a time.
    for (; count > 4; count -= 4, groups += 4) Interleaved<4>(groups, blocks);
    switch (count) {
        case 1:
            return Interleaved<1>(groups, blocks);
        case 2:
            return Interleaved<2>(groups, blocks);
        case 3:
            return Interleaved<3>(groups, blocks);
        default:
            return Interleaved<4>(groups, blocks);
    }
}

}  // namespace vellum::paths
