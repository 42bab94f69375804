#include "checksum/fold_paths.h"

#include <array>

#include "checksum/md5_lane_kernels.h"

namespace vellum::paths {

// Up to four scalar chains side by side: each added chain fills cycles that the others leave
// idle waiting for their last result, though less with every chain (bench_checksum).
constexpr Md5LanesKernel kMd5LanesPortable{1, 4, 0, Md5LanesPortable};

namespace {

bool Always(const CpuFeatures&) {
    return true;
}
[[maybe_unused]] bool HasSse2(const CpuFeatures& f) {
    return f.sse2;
}
[[maybe_unused]] bool HasPclmul(const CpuFeatures& f) {
    return f.pclmul;
}
[[maybe_unused]] bool HasVpclmul(const CpuFeatures& f) {
    return f.vpclmul;
}
[[maybe_unused]] bool HasAvx2(const CpuFeatures& f) {
    return f.avx2;
}
[[maybe_unused]] bool HasAvx512(const CpuFeatures& f) {
    return f.avx512;
}
[[maybe_unused]] bool QuickChains(const CpuFeatures& f) {
    return f.quickVectorChains;
}
[[maybe_unused]] bool SlowChains(const CpuFeatures& f) {
    return !f.quickVectorChains;
}

#if defined(__x86_64__)
constexpr Path<Crc16Fn> kCrc16[] = {{"vpclmul", Crc16Vpclmul, HasVpclmul},
                                    {"pclmul", Crc16Pclmul, HasPclmul},
                                    {"portable", Crc16Portable, Always}};
constexpr Path<Crc16Fn> kCrc16Reflected[] = {{"vpclmul", Crc16ReflectedVpclmul, HasVpclmul},
                                             {"pclmul", Crc16ReflectedPclmul, HasPclmul},
                                             {"portable", Crc16ReflectedPortable, Always}};
constexpr Path<Crc32Fn> kCrc32[] = {{"vpclmul", Crc32Vpclmul, HasVpclmul},
                                    {"pclmul", Crc32Pclmul, HasPclmul},
                                    {"portable", Crc32Portable, Always}};
// SSE2 is part of every x86-64, so PSADBW is always there to beat the plain loop, which stays
// for VELLUM_PORTABLE.
constexpr Path<XsumFn> kXsum[] = {{"avx512", XsumAvx512, HasAvx512},
                                  {"avx2", XsumAvx2, HasAvx2},
                                  {"sse2", XsumSse2, HasSse2},
                                  {"portable", XsumPortable, Always}};
// MD5 is one chain of dependent steps: its vector form only wins where vector operations are
// as quick as scalar ones (4 cycles a step against 4.5 on average).
constexpr Path<Md5BlocksFn> kMd5[] = {{"avx512", Md5BlocksAvx512, HasAvx512, QuickChains},
                                      {"portable", Md5BlocksPortable, Always}};
// Where a dependent vector operation takes two cycles, one group's chains leave the vector units
// idle most of the time, so four groups run side by side; and a lone lane's vector chain is half
// as fast as a scalar one, so up to four busy lanes run as scalar chains. Where vector chains
// are quick, two groups fill the units and only one or two lanes are better off as scalar
// chains.
constexpr Md5LanesKernel kAvx512x4{16, 4, 4, Md5LanesAvx512};
constexpr Md5LanesKernel kAvx512x2{16, 2, 2, Md5LanesAvx512};
constexpr Md5LanesKernel kAvx2x2{8, 2, 2, Md5LanesAvx2};
constexpr Path<const Md5LanesKernel> kMd5Lanes[] = {{"avx512x4", &kAvx512x4, HasAvx512, SlowChains},
                                                    {"avx512x2", &kAvx512x2, HasAvx512},
                                                    {"avx2x2", &kAvx2x2, HasAvx2},
                                                    {"portable", &kMd5LanesPortable, Always}};
#else
constexpr Path<Crc16Fn> kCrc16[] = {{"portable", Crc16Portable, Always}};
constexpr Path<Crc16Fn> kCrc16Reflected[] = {{"portable", Crc16ReflectedPortable, Always}};
constexpr Path<Crc32Fn> kCrc32[] = {{"portable", Crc32Portable, Always}};
// SSE2 is part of every x86-64, so PSADBW is always there to beat the plain loop, which stays
// for VELLUM_PORTABLE.
constexpr Path<XsumFn> kXsum[] = {{"portable", XsumPortable, Always}};
constexpr Path<Md5BlocksFn> kMd5[] = {{"portable", Md5BlocksPortable, Always}};
constexpr Path<const Md5LanesKernel> kMd5Lanes[] = {{"portable", &kMd5LanesPortable, Always}};
#endif

}  // namespace

std::span<const Path<Crc16Fn>> Crc16Paths() {
    return kCrc16;
}
std::span<const Path<Crc16Fn>> Crc16ReflectedPaths() {
    return kCrc16Reflected;
}
std::span<const Path<Crc32Fn>> Crc32Paths() {
    return kCrc32;
}
std::span<const Path<XsumFn>> XsumPaths() {
    return kXsum;
}
std::span<const Path<Md5BlocksFn>> Md5Paths() {
    return kMd5;
}
std::span<const Path<const Md5LanesKernel>> Md5LanesPaths() {
    return kMd5Lanes;
}

}  // namespace vellum::paths
