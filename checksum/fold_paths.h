// Every implementation of the four folds that this build carries: the public routines pick the
// fastest one this machine runs, and tests and benchmarks run each of them by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "checksum/cpu_features.h"
#include "checksum/md5.h"

namespace vellum::paths {

using Crc16Fn = std::uint16_t(std::uint16_t crc, const std::uint8_t* data, std::int32_t count);
using Crc32Fn = std::uint32_t(std::uint32_t crc, const std::uint8_t* data, std::int32_t count);
using XsumFn = std::uint16_t(std::uint16_t sum, const std::uint8_t* data, std::int32_t count);
// Transforms whole 64-byte blocks, read straight from data, into the four state words.
using Md5BlocksFn = void(std::uint32_t (&state)[4], const std::uint8_t* data, std::size_t blocks);

template <class Fn>
struct Path {
    std::string_view name;
    Fn* fn;
    bool (*runsOn)(const CpuFeatures&);
    // Whether it is also the faster choice there; most paths are wherever they run.
    bool (*paysOn)(const CpuFeatures&) = nullptr;
};

// Fastest first; the last is the portable one, which runs everywhere.
[[nodiscard]] std::span<const Path<Crc16Fn>> Crc16Paths();
[[nodiscard]] std::span<const Path<Crc16Fn>> Crc16ReflectedPaths();
[[nodiscard]] std::span<const Path<Crc32Fn>> Crc32Paths();
[[nodiscard]] std::span<const Path<XsumFn>> XsumPaths();
[[nodiscard]] std::span<const Path<Md5BlocksFn>> Md5Paths();

// Whether this processor can run the path at all (VELLUM_PORTABLE aside).
template <class Fn>
[[nodiscard]] bool Runs(const Path<Fn>& path) {
    return path.runsOn(DetectedCpuFeatures());
}

// The path the public routine uses: the first one that runs and pays with the usable features.
template <class Fn>
[[nodiscard]] const Path<Fn>& Chosen(std::span<const Path<Fn>> paths) {
    const CpuFeatures& f = UsableCpuFeatures();
    for (const Path<Fn>& p : paths)
        if (p.runsOn(f) && (p.paysOn == nullptr || p.paysOn(f))) return p;
    return paths.back();
}

// DigestAdd with a given block transform; DigestAdd itself passes the chosen one.
void DigestAddWith(Md5BlocksFn* transform, DigestState& ctx, const std::uint8_t* data,
                   std::int32_t count);

// The implementations, by path.
std::uint16_t Crc16Portable(std::uint16_t crc, const std::uint8_t* data, std::int32_t count);
std::uint16_t Crc16ReflectedPortable(std::uint16_t crc, const std::uint8_t* data,
                                     std::int32_t count);
std::uint32_t Crc32Portable(std::uint32_t crc, const std::uint8_t* data, std::int32_t count);
std::uint16_t XsumPortable(std::uint16_t sum, const std::uint8_t* data, std::int32_t count);
void Md5BlocksPortable(std::uint32_t (&state)[4], const std::uint8_t* data, std::size_t blocks);

#if defined(__x86_64__)
std::uint16_t Crc16Pclmul(std::uint16_t crc, const std::uint8_t* data, std::int32_t count);
std::uint16_t Crc16Vpclmul(std::uint16_t crc, const std::uint8_t* data, std::int32_t count);
std::uint16_t Crc16ReflectedPclmul(std::uint16_t crc, const std::uint8_t* data, std::int32_t count);
std::uint16_t Crc16ReflectedVpclmul(std::uint16_t crc, const std::uint8_t* data,
                                    std::int32_t count);
std::uint32_t Crc32Pclmul(std::uint32_t crc, const std::uint8_t* data, std::int32_t count);
std::uint32_t Crc32Vpclmul(std::uint32_t crc, const std::uint8_t* data, std::int32_t count);
std::uint16_t XsumSse2(std::uint16_t sum, const std::uint8_t* data, std::int32_t count);
std::uint16_t XsumAvx2(std::uint16_t sum, const std::uint8_t* data, std::int32_t count);
std::uint16_t XsumAvx512(std::uint16_t sum, const std::uint8_t* data, std::int32_t count);
void Md5BlocksAvx512(std::uint32_t (&state)[4], const std::uint8_t* data, std::size_t blocks);
#endif

}  // namespace vellum::paths
