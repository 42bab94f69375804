#include "checksum/fold_paths.h"

#include <array>

namespace vellum::paths {

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
#else
constexpr Path<Crc16Fn> kCrc16[] = {{"portable", Crc16Portable, Always}};
constexpr Path<Crc16Fn> kCrc16Reflected[] = {{"portable", Crc16ReflectedPortable, Always}};
constexpr Path<Crc32Fn> kCrc32[] = {{"portable", Crc32Portable, Always}};
// SSE2 is part of every x86-64, so PSADBW is always there to beat the plain loop, which stays
// for VELLUM_PORTABLE.
constexpr Path<XsumFn> kXsum[] = {{"portable", XsumPortable, Always}};
constexpr Path<Md5BlocksFn> kMd5[] = {{"portable", Md5BlocksPortable, Always}};
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

}  // namespace vellum::paths
