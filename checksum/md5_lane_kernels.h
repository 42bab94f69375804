// The kernels behind Md5Lanes: each runs the MD5 block transform over one message per lane, for
// several groups of lanes side by side, so that while one group's step waits for its last
// result the others' steps fill the processor. Tests and benchmarks run each by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "checksum/fold_paths.h"

namespace vellum::paths {

// Words between the rows of a group's state.
inline constexpr std::size_t kLaneRow = 16;

// One group of lanes as a kernel sees it. words holds the four state words transposed: A of
// lanes 0 to width - 1, then B of each at words + kLaneRow, C at + 2 * kLaneRow, D at
// + 3 * kLaneRow. next[i] is where lane i's blocks start. Only the busy lanes' words take the
// result; every other lane must be pointed at a busy lane's blocks, and what it computes there
// is thrown away.
struct LaneGroup {
    std::uint32_t* words;
    const std::uint8_t* const* next;
    std::uint32_t busy;
};

// Runs blocks consecutive 64-byte blocks of every lane of count groups (1 to the kernel's
// groups), adding each block's result into the words as the block transform does.
using Md5LanesFn = void(const LaneGroup* groups, int count, std::size_t blocks);

struct Md5LanesKernel {
    int width;   // lanes in a group: 1, 8 or 16
    int groups;  // groups it runs side by side at most
    // Up to this many busy lanes run on the portable kernel, one scalar chain each, instead:
    // a vector step costs the same however few lanes it carries.
    int scalarUpTo;
    Md5LanesFn* run;
};

// Fastest first; the last is the portable one, which runs everywhere.
[[nodiscard]] std::span<const Path<const Md5LanesKernel>> Md5LanesPaths();

// The portable kernel: groups of one lane, their scalar chains interleaved.
extern const Md5LanesKernel kMd5LanesPortable;
void Md5LanesPortable(const LaneGroup* groups, int count, std::size_t blocks);

#if defined(__x86_64__)
void Md5LanesAvx512(const LaneGroup* groups, int count, std::size_t blocks);
void Md5LanesAvx2(const LaneGroup* groups, int count, std::size_t blocks);
#endif

}  // namespace vellum::paths
