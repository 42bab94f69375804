#include "checksum/md5_lane_kernels.h"

namespace vellum::paths {

namespace {

bool Always(const CpuFeatures&) {
    return true;
}
[[maybe_unused]] bool HasAvx2(const CpuFeatures& f) {
    return f.avx2;
}
[[maybe_unused]] bool HasAvx512(const CpuFeatures& f) {
    return f.avx512;
}
[[maybe_unused]] bool SlowChains(const CpuFeatures& f) {
    return !f.quickVectorChains;
}

}  // namespace

// Up to four scalar chains side by side: each added chain fills cycles that the others leave
// idle waiting for their last result, though less with every chain (bench_checksum).
constexpr Md5LanesKernel kMd5LanesPortable{1, 4, 0, Md5LanesPortable};

namespace {

#if defined(__x86_64__)
// Where a dependent vector operation takes two cycles, one group's chains leave the vector units
// idle most of the time, so four groups run side by side; and a lone lane's vector chain is half
// as fast as a scalar one, so up to four busy lanes run as scalar chains. Where vector chains
// are quick, two groups fill the units and only one or two lanes are better off as scalar
// chains.
constexpr Md5LanesKernel kAvx512x4{16, 4, 4, Md5LanesAvx512};
constexpr Md5LanesKernel kAvx512x2{16, 2, 2, Md5LanesAvx512};
constexpr Md5LanesKernel kAvx2x2{8, 2, 2, Md5LanesAvx2};

constexpr Path<const Md5LanesKernel> kLanes[] = {{"avx512x4", &kAvx512x4, HasAvx512, SlowChains},
                                                 {"avx512x2", &kAvx512x2, HasAvx512},
                                                 {"avx2x2", &kAvx2x2, HasAvx2},
                                                 {"portable", &kMd5LanesPortable, Always}};
#else
constexpr Path<const Md5LanesKernel> kLanes[] = {{"portable", &kMd5LanesPortable, Always}};
#endif

}  // namespace

std::span<const Path<const Md5LanesKernel>> Md5LanesPaths() {
    return kLanes;
}

}  // namespace vellum::paths
