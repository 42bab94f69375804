#include "checksum/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <cstdlib>
#include <string_view>

namespace vellum {

namespace {

#if defined(__x86_64__) || defined(__i386__)
// The family as the vendors' manuals compose it: the extended family adds to a base of 0Fh.
unsigned Family() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return 0;
    const unsigned base = (eax >> 8) & 0xF;
    return base == 0xF ? base + ((eax >> 20) & 0xFF) : base;
}
#endif

CpuFeatures Detect() {
    CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    // libgcc's checks of the AVX-512 bits include the XCR0 test, so a kernel that does not
    // save the wide registers reports them absent.
    __builtin_cpu_init();
    f.sse2 = __builtin_cpu_supports("sse2");
    f.pclmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    f.avx2 = __builtin_cpu_supports("avx2");
    f.avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vl");
    f.vpclmul = f.avx512 && f.pclmul && __builtin_cpu_supports("vpclmulqdq");
    f.quickVectorChains = !(__builtin_cpu_is("amd") && Family() >= 0x1A);
#endif
    return f;
}

}  // namespace

const CpuFeatures& DetectedCpuFeatures() {
    static const CpuFeatures detected = Detect();
    return detected;
}

bool PortableForced() {
    static const bool forced = [] {
        const char* value = std::getenv("VELLUM_PORTABLE");
        return value != nullptr && *value != '\0' && std::string_view(value) != "0";
    }();
    return forced;
}

const CpuFeatures& UsableCpuFeatures() {
    static const CpuFeatures none{};
    return PortableForced() ? none : DetectedCpuFeatures();
}

}  // namespace vellum
