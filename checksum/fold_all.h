// The four values of a block in one call, as the list pass folds every block it reads: the same
// results as DigestAdd, the CRC-16 routine of the variant, Crc32Update and XsumUpdate called
// one after the other. Where it can, it folds the CRCs and the sum inside the MD5 loop: MD5 is
// one chain of dependent scalar steps that leaves the vector units idle, so the other three
// cost next to nothing there and the block is read from memory once instead of four times.
#pragma once

#include <cstdint>

#include "checksum/fold_paths.h"
#include "checksum/md5.h"

namespace vellum {

struct RunningValues {
    DigestState& digest;
    std::uint16_t& crc16;
    std::uint32_t& crc32;
    std::uint16_t& xsum;
    bool crc16Reflected;  // Crc16ReflectedUpdate (variant 2) rather than Crc16Update
};

// Folds count bytes into all four; a count of 0 or less changes nothing.
void FoldAll(const RunningValues& values, const std::uint8_t* data, std::int32_t count);
// The three beside MD5 only, for a caller that runs the digest on another thread; values.digest
// is not touched.
void FoldBesideDigest(const RunningValues& values, const std::uint8_t* data, std::int32_t count);

namespace paths {

using FoldAllFn = void(const RunningValues& values, const std::uint8_t* data, std::int32_t count);

// Fastest first, as for the single routines.
[[nodiscard]] std::span<const Path<FoldAllFn>> FoldAllPaths();

// The public routines one after the other: the portable path, and the reference of the others.
void FoldAllSeparate(const RunningValues& values, const std::uint8_t* data, std::int32_t count);
#if defined(__x86_64__)
void FoldAllFused(const RunningValues& values, const std::uint8_t* data, std::int32_t count);
#endif

}  // namespace paths
}  // namespace vellum
