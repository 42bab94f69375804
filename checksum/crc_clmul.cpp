// The CRCs by carry-less multiplication: one folding routine for every polynomial of up to 32
// bits, reflected or not. The input is cut into 128-bit lanes; a lane is carried forward over D
// bits by multiplying its two halves with x^(D+64) mod P and x^D mod P, which keeps its value
// modulo P while it shrinks to below 128 bits, and is added into the lane D bits further on.
// What is left at the end is one lane and the last few bytes; their CRC from zero, by the
// byte table, is the CRC of the whole input, since the running value went into the first lane.
//
// Everything here is compiled for its instruction set by function attributes, not by file-wide
// flags: a file-wide -mavx512f would also build the inline library functions that this file
// instantiates with those instructions, and the linker may keep that copy for the whole program.
#include <cstddef>
#include <cstdint>

#include "checksum/clmul_lanes.h"
#include "checksum/fold_paths.h"

namespace vellum::paths {
namespace {

using namespace clmul;

// Four lanes at a time: a carry-less product takes several cycles, so four independent chains
// keep the multiplier busy.
template <bool Reflected>
VELLUM_PCLMUL std::uint32_t Fold128(const ClmulCrc& c, std::uint32_t crc, const std::uint8_t* p,
                                    std::size_t n) {
    if (n < kMinClmul) return c.table(crc, p, static_cast<std::int32_t>(n));
    const __m128i reversal = ByteReversal();
    const __m128i four = KeyVector(c.keys.four);
    __m128i lanes[4];
    for (int k = 0; k < 4; ++k) lanes[k] = LoadLane<Reflected>(p + 16 * k, reversal);
    lanes[0] = _mm_xor_si128(lanes[0], StartLane<Reflected>(crc, c.width));
    for (p += 64, n -= 64; n >= 64; p += 64, n -= 64) {
        for (int k = 0; k < 4; ++k)
            lanes[k] =
                _mm_xor_si128(Carry(lanes[k], four), LoadLane<Reflected>(p + 16 * k, reversal));
    }
    return FinishLanes<Reflected>(c, lanes, p, n);
}

// Four registers, 256 bytes a round; they are then carried into one another, that one over the
// remaining 64-byte blocks, and its four lanes end the work as in the 128-bit routine.
template <bool Reflected>
VELLUM_VPCLMUL std::uint32_t Fold512(const ClmulCrc& c, std::uint32_t crc, const std::uint8_t* p,
                                     std::size_t n) {
    if (n < kMinVpclmul) return Fold128<Reflected>(c, crc, p, n);
    const __m512i reversal = ByteReversal512();
    const __m512i sixteen = KeyVector512(c.keys.sixteen);
    const __m512i four = KeyVector512(c.keys.four);
    __m512i regs[4];
    for (int k = 0; k < 4; ++k) regs[k] = Load512<Reflected>(p + 64 * k, reversal);
    regs[0] = _mm512_xor_si512(regs[0], _mm512_zextsi128_si512(StartLane<Reflected>(crc, c.width)));
    for (p += 256, n -= 256; n >= 256; p += 256, n -= 256) {
        for (int k = 0; k < 4; ++k)
            regs[k] = Carry512(regs[k], sixteen, Load512<Reflected>(p + 64 * k, reversal));
    }
    __m512i r = regs[0];
    for (int k = 1; k < 4; ++k) r = Carry512(r, four, regs[k]);
    for (; n >= 64; p += 64, n -= 64) r = Carry512(r, four, Load512<Reflected>(p, reversal));
    __m128i lanes[4];
    _mm512_storeu_si512(lanes, r);
    return FinishLanes<Reflected>(c, lanes, p, n);
}

std::size_t Length(std::int32_t count) {
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

}  // namespace

std::uint16_t Crc16Pclmul(std::uint16_t crc, const std::uint8_t* data, std::int32_t count) {
    return static_cast<std::uint16_t>(Fold128<false>(kCrc16, crc, data, Length(count)));
}
std::uint16_t Crc16Vpclmul(std::uint16_t crc, const std::uint8_t* data, std::int32_t count) {
    return static_cast<std::uint16_t>(Fold512<false>(kCrc16, crc, data, Length(count)));
}
std::uint16_t Crc16ReflectedPclmul(std::uint16_t crc, const std::uint8_t* data,
                                   std::int32_t count) {
    return static_cast<std::uint16_t>(Fold128<true>(kCrc16Reflected, crc, data, Length(count)));
}
std::uint16_t Crc16ReflectedVpclmul(std::uint16_t crc, const std::uint8_t* data,
                                    std::int32_t count) {
    return static_cast<std::uint16_t>(Fold512<true>(kCrc16Reflected, crc, data, Length(count)));
}
std::uint32_t Crc32Pclmul(std::uint32_t crc, const std::uint8_t* data, std::int32_t count) {
    return Fold128<true>(kCrc32, crc, data, Length(count));
}
std::uint32_t Crc32Vpclmul(std::uint32_t crc, const std::uint8_t* data, std::int32_t count) {
    return Fold512<true>(kCrc32, crc, data, Length(count));
}

}  // namespace vellum::paths
