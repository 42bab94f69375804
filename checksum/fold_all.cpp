#include "checksum/fold_all.h"

#include "checksum/crc16.h"
#include "checksum/crc32.h"
#include "checksum/fold_paths.h"
#include "checksum/xsum.h"

namespace vellum {

namespace paths {

namespace {

bool Always(const CpuFeatures&) {
    return true;
}
[[maybe_unused]] bool HasVpclmul(const CpuFeatures& f) {
    return f.vpclmul;
}
// The fused loop carries scalar MD5; where the vector MD5 is the faster, the separate calls
// use it and win.
[[maybe_unused]] bool ScalarMd5Chosen(const CpuFeatures& f) {
    return !f.quickVectorChains;
}

#if defined(__x86_64__)
constexpr Path<FoldAllFn> kFoldAll[] = {
    {"fused", FoldAllFused, HasVpclmul, ScalarMd5Chosen},
    {"separate", FoldAllSeparate, Always},
};
#else
constexpr Path<FoldAllFn> kFoldAll[] = {{"separate", FoldAllSeparate, Always}};
#endif

}  // namespace

std::span<const Path<FoldAllFn>> FoldAllPaths() {
    return kFoldAll;
}

void FoldAllSeparate(const RunningValues& v, const std::uint8_t* data, std::int32_t count) {
    DigestAdd(v.digest, data, count);
    FoldBesideDigest(v, data, count);
}

}  // namespace paths

void FoldBesideDigest(const RunningValues& v, const std::uint8_t* data, std::int32_t count) {
    v.crc16 = v.crc16Reflected ? Crc16ReflectedUpdate(v.crc16, data, count)
                               : Crc16Update(v.crc16, data, count);
    v.crc32 = Crc32Update(v.crc32, data, count);
    v.xsum = XsumUpdate(v.xsum, data, count);
}

void FoldAll(const RunningValues& values, const std::uint8_t* data, std::int32_t count) {
    static paths::FoldAllFn* const fold = paths::Chosen(paths::FoldAllPaths()).fn;
    fold(values, data, count);
}

}  // namespace vellum
