// What this processor offers the folds, found once per run. VELLUM_PORTABLE=1 in the
// environment hides every extension, so that the portable code can be run and checked on any
// machine.
#pragma once

namespace vellum {

struct CpuFeatures {
    bool sse2 = false;    // every x86-64 has it; off only when VELLUM_PORTABLE asks
    bool pclmul = false;  // PCLMULQDQ with SSSE3's byte shuffle
    bool avx2 = false;
    bool avx512 = false;   // AVX-512 F, BW and VL, with the operating system saving the state
    bool vpclmul = false;  // VPCLMULQDQ on 512-bit registers (implies avx512)
    // Simple vector integer operations (add, logic, rotate) finish in one cycle, as scalar
    // ones do. AMD's family 1Ah takes two (measured: a chain of VPADDD, VPTERNLOGD or VPROLD
    // runs at half the rate of a chain of ADD), which makes a latency-bound chain such as MD5's
    // slower in vector registers than in general ones.
    bool quickVectorChains = false;
};

// What the processor has, whatever the environment says.
[[nodiscard]] const CpuFeatures& DetectedCpuFeatures();
// What the folds may use: the detected features, or none when VELLUM_PORTABLE is set to
// anything but "0" or the empty text. Read once, at the first call.
[[nodiscard]] const CpuFeatures& UsableCpuFeatures();
[[nodiscard]] bool PortableForced();

}  // namespace vellum
