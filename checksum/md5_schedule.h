// The 64 steps of the MD5 block transform as data (which message word each step adds, by how
// much it rotates, its additive constant), and the scalar block transform unrolled from them.
// Every transform unrolls the steps from these tables at compile time, so the schedule is
// written once.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vellum::md5 {

// Sine by its series after reduction to [-pi, pi], good to about 1e-15. No 2^32 * |sin(i)| for
// i = 1..64 lies closer than 0.015 to an integer, so an error below 3e-12 cannot move a constant.
constexpr double Sine(double x) {
    constexpr double kPi = 3.141592653589793;
    const auto turns = static_cast<long long>((x + kPi) / (2 * kPi));
    const double r = x - static_cast<double>(turns) * (2 * kPi);
    double term = r;
    double sum = r;
    for (int n = 1; n < 24; ++n) {
        term *= -r * r / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

// The integer part of 2^32 * |sin(i)|, i = 1..64 in radians.
constexpr std::array<std::uint32_t, 64> MakeSineTable() {
    std::array<std::uint32_t, 64> t{};
    for (int i = 0; i < 64; ++i) {
        const double s = Sine(i + 1.0);
        t[i] = static_cast<std::uint32_t>((s < 0 ? -s : s) * 4294967296.0);
    }
    return t;
}

// Round r's word order is i -> (start + stride * i) mod 16; each round repeats four shifts.
constexpr std::array<std::uint8_t, 64> MakeWordOrder() {
    constexpr int kStart[4] = {0, 1, 5, 0};
    constexpr int kStride[4] = {1, 5, 3, 7};
    std::array<std::uint8_t, 64> w{};
    for (int i = 0; i < 64; ++i)
        w[i] = static_cast<std::uint8_t>((kStart[i / 16] + kStride[i / 16] * (i % 16)) % 16);
    return w;
}

constexpr std::array<std::uint8_t, 64> MakeShifts() {
    constexpr int kShifts[4][4] = {
        {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    std::array<std::uint8_t, 64> s{};
    for (int i = 0; i < 64; ++i) s[i] = static_cast<std::uint8_t>(kShifts[i / 16][i % 4]);
    return s;
}

inline constexpr std::array<std::uint32_t, 64> kSine = MakeSineTable();
inline constexpr std::array<std::uint8_t, 64> kWord = MakeWordOrder();
inline constexpr std::array<std::uint8_t, 64> kShift = MakeShifts();

static_assert(kSine[0] == 0xd76aa478 && kSine[31] == 0x8d2a4c8a && kSine[32] == 0xfffa3942 &&
              kSine[63] == 0xeb86d391);
// Spot checks against the RFC's listing: steps 17, 34 and 50 take x[6], x[8] and x[7].
static_assert(kWord[17] == 6 && kWord[33] == 8 && kWord[49] == 7 && kWord[63] == 9);
static_assert(kShift[19] == 20 && kShift[35] == 23 && kShift[63] == 21);

// Step i updates the word that started as a, b, c or d according to i mod 4: the roles rotate
// one place a step, so the transforms keep the words in an array indexed by constants.
constexpr std::size_t RoleA(std::size_t i) {
    return (4 - i % 4) % 4;
}
constexpr std::size_t RoleB(std::size_t i) {
    return (5 - i % 4) % 4;
}
constexpr std::size_t RoleC(std::size_t i) {
    return (6 - i % 4) % 4;
}
constexpr std::size_t RoleD(std::size_t i) {
    return (7 - i % 4) % 4;
}

// Message words are read byte by byte, so neither alignment nor the machine's byte order
// matters; compilers turn this into one load.
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// Keeps the compiler from reassociating a sum across this point. The steps add the terms that
// are known early (the old word, the message word, the constant) before the term that waits for
// the word just computed, so that only one addition follows it on the chain from step to step.
inline void Settle(std::uint32_t& v) {
    asm("" : "+r"(v));
}

// One step, with the round function chosen by the step's round. G, (b & d) | (c & ~d), is taken
// as (b & d) + (c & ~d): the two halves share no bit, so the sum is the same, and c & ~d can join
// the early terms. F and I keep the forms with the fewest operations after b.
template <std::size_t I>
[[gnu::always_inline]] inline void Step(std::uint32_t (&v)[4], const std::uint8_t* block) {
    std::uint32_t& a = v[RoleA(I)];
    const std::uint32_t b = v[RoleB(I)];
    const std::uint32_t c = v[RoleC(I)];
    const std::uint32_t d = v[RoleD(I)];
    a += LoadLe32(block + 4 * kWord[I]) + kSine[I];
    if constexpr (I < 16) {
        Settle(a);
        a += d ^ (b & (c ^ d));
    } else if constexpr (I < 32) {
        a += c & ~d;
        Settle(a);
        a += b & d;
    } else if constexpr (I < 48) {
        Settle(a);
        a += b ^ (c ^ d);
    } else {
        Settle(a);
        a += c ^ (b | ~d);
    }
    a = std::rotl(a, kShift[I]) + b;
}

template <std::size_t... I>
[[gnu::always_inline]] inline void Steps(std::uint32_t (&v)[4], const std::uint8_t* block,
                                         std::index_sequence<I...>) {
    (Step<I>(v, block), ...);
}

// One 64-byte block through the 64 steps, without the final addition of the old state.
[[gnu::always_inline]] inline void ScalarBlock(std::uint32_t (&v)[4], const std::uint8_t* block) {
    Steps(v, block, std::make_index_sequence<64>{});
}

}  // namespace vellum::md5
