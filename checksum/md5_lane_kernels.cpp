#include "checksum/md5_lane_kernels.h"

namespace vellum::paths {

namespace {

bool Always(const CpuFeatures&) {
    return true;
}

}  // namespace

// Up to four scalar chains side by side: each added chain fills cycles that the others leave
// idle waiting for their last result, though less with every chain (bench_checksum).
constexpr Md5LanesKernel kMd5LanesPortable{1, 4, 0, Md5LanesPortable};

namespace {

constexpr Path<const Md5LanesKernel> kLanes[] = {{"portable", &kMd5LanesPortable, Always}};

}  // namespace

std::span<const Path<const Md5LanesKernel>> Md5LanesPaths() {
    return kLanes;
}

}  // namespace vellum::paths
