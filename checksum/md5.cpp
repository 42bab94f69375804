#include "checksum/md5.h"

#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstring>

namespace vellum {
namespace {

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

// The 64 additive constants: the integer part of 2^32 * |sin(i)|, i = 1..64 in radians.
constexpr std::array<std::uint32_t, 64> MakeSineTable() {
    std::array<std::uint32_t, 64> t{};
    for (int i = 0; i < 64; ++i) {
        const double s = Sine(i + 1.0);
        t[i] = static_cast<std::uint32_t>((s < 0 ? -s : s) * 4294967296.0);
    }
    return t;
}

constexpr std::array<std::uint32_t, 64> T = MakeSineTable();
static_assert(T[0] == 0xd76aa478 && T[31] == 0x8d2a4c8a && T[32] == 0xfffa3942 &&
              T[63] == 0xeb86d391);

// F and G in the forms with one operation fewer; they equal the RFC's (x & y) | (~x & z) and
// (x & z) | (y & ~z) bit for bit.
constexpr std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
}
constexpr std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (z & (x ^ y));
}
constexpr std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
constexpr std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (x | ~z);
}

template <auto Fn>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t x, int s, std::uint32_t t) {
    a = b + std::rotl(a + Fn(b, c, d) + x + t, s);
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Written out step by step as the RFC lists them: a loop over the steps is not unrolled at -O2
// and costs about 15% of the speed.
using Words = std::uint32_t[16];

inline void Round1(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                   const Words& x) {
    Step<F>(a, b, c, d, x[0], 7, T[0]);
    Step<F>(d, a, b, c, x[1], 12, T[1]);
    Step<F>(c, d, a, b, x[2], 17, T[2]);
    Step<F>(b, c, d, a, x[3], 22, T[3]);
    Step<F>(a, b, c, d, x[4], 7, T[4]);
    Step<F>(d, a, b, c, x[5], 12, T[5]);
    Step<F>(c, d, a, b, x[6], 17, T[6]);
    Step<F>(b, c, d, a, x[7], 22, T[7]);
    Step<F>(a, b, c, d, x[8], 7, T[8]);
    Step<F>(d, a, b, c, x[9], 12, T[9]);
    Step<F>(c, d, a, b, x[10], 17, T[10]);
    Step<F>(b, c, d, a, x[11], 22, T[11]);
    Step<F>(a, b, c, d, x[12], 7, T[12]);
    Step<F>(d, a, b, c, x[13], 12, T[13]);
    Step<F>(c, d, a, b, x[14], 17, T[14]);
    Step<F>(b, c, d, a, x[15], 22, T[15]);
}

inline void Round2(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                   const Words& x) {
    Step<G>(a, b, c, d, x[1], 5, T[16]);
    Step<G>(d, a, b, c, x[6], 9, T[17]);
    Step<G>(c, d, a, b, x[11], 14, T[18]);
    Step<G>(b, c, d, a, x[0], 20, T[19]);
    Step<G>(a, b, c, d, x[5], 5, T[20]);
    Step<G>(d, a, b, c, x[10], 9, T[21]);
    Step<G>(c, d, a, b, x[15], 14, T[22]);
    Step<G>(b, c, d, a, x[4], 20, T[23]);
    Step<G>(a, b, c, d, x[9], 5, T[24]);
    Step<G>(d, a, b, c, x[14], 9, T[25]);
    Step<G>(c, d, a, b, x[3], 14, T[26]);
    Step<G>(b, c, d, a, x[8], 20, T[27]);
    Step<G>(a, b, c, d, x[13], 5, T[28]);
    Step<G>(d, a, b, c, x[2], 9, T[29]);
    Step<G>(c, d, a, b, x[7], 14, T[30]);
    Step<G>(b, c, d, a, x[12], 20, T[31]);
}

inline void Round3(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                   const Words& x) {
    Step<H>(a, b, c, d, x[5], 4, T[32]);
    Step<H>(d, a, b, c, x[8], 11, T[33]);
    Step<H>(c, d, a, b, x[11], 16, T[34]);
    Step<H>(b, c, d, a, x[14], 23, T[35]);
    Step<H>(a, b, c, d, x[1], 4, T[36]);
    Step<H>(d, a, b, c, x[4], 11, T[37]);
    Step<H>(c, d, a, b, x[7], 16, T[38]);
    Step<H>(b, c, d, a, x[10], 23, T[39]);
    Step<H>(a, b, c, d, x[13], 4, T[40]);
    Step<H>(d, a, b, c, x[0], 11, T[41]);
    Step<H>(c, d, a, b, x[3], 16, T[42]);
    Step<H>(b, c, d, a, x[6], 23, T[43]);
    Step<H>(a, b, c, d, x[9], 4, T[44]);
    Step<H>(d, a, b, c, x[12], 11, T[45]);
    Step<H>(c, d, a, b, x[15], 16, T[46]);
    Step<H>(b, c, d, a, x[2], 23, T[47]);
}

inline void Round4(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                   const Words& x) {
    Step<I>(a, b, c, d, x[0], 6, T[48]);
    Step<I>(d, a, b, c, x[7], 10, T[49]);
    Step<I>(c, d, a, b, x[14], 15, T[50]);
    Step<I>(b, c, d, a, x[5], 21, T[51]);
    Step<I>(a, b, c, d, x[12], 6, T[52]);
    Step<I>(d, a, b, c, x[3], 10, T[53]);
    Step<I>(c, d, a, b, x[10], 15, T[54]);
    Step<I>(b, c, d, a, x[1], 21, T[55]);
    Step<I>(a, b, c, d, x[8], 6, T[56]);
    Step<I>(d, a, b, c, x[15], 10, T[57]);
    Step<I>(c, d, a, b, x[6], 15, T[58]);
    Step<I>(b, c, d, a, x[13], 21, T[59]);
    Step<I>(a, b, c, d, x[4], 6, T[60]);
    Step<I>(d, a, b, c, x[11], 10, T[61]);
    Step<I>(c, d, a, b, x[2], 15, T[62]);
    Step<I>(b, c, d, a, x[9], 21, T[63]);
}

// Transforms whole 64-byte blocks straight from where they lie; the words are read byte by byte,
// so neither alignment nor the machine's byte order matters.
void Transform(std::uint32_t (&state)[4], const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, data += 64) {
        Words x;
        for (int i = 0; i < 16; ++i) x[i] = LoadLe32(data + 4 * i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
        Round1(a, b, c, d, x);
        Round2(a, b, c, d, x);
        Round3(a, b, c, d, x);
        Round4(a, b, c, d, x);
        a += a0, b += b0, c += c0, d += d0;
    }
    state[0] = a, state[1] = b, state[2] = c, state[3] = d;
}

void AddToBitCount(DigestState& ctx, std::uint32_t bytes) {
    const std::uint32_t low_bits = bytes << 3;
    ctx.count[0] += low_bits;
    if (ctx.count[0] < low_bits) ++ctx.count[1];
    ctx.count[1] += bytes >> 29;
}

}  // namespace

void DigestStart(DigestState& ctx) {
    ctx = DigestState{{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476}, {0, 0}, {}};
}

void DigestAdd(DigestState& ctx, const std::uint8_t* data, std::int32_t count) {
    if (count <= 0) return;
    const auto n = static_cast<std::uint32_t>(count);
    const std::uint32_t position = (ctx.count[0] >> 3) & 0x3F;
    AddToBitCount(ctx, n);
    std::uint32_t used = 0;
    if (position != 0) {
        const std::uint32_t room = 64 - position;
        if (n < room) {
            std::memcpy(ctx.buffer + position, data, n);
            return;
        }
        std::memcpy(ctx.buffer + position, data, room);
        Transform(ctx.state, ctx.buffer, 1);
        used = room;
    }
    const std::uint32_t blocks = (n - used) / 64;
    Transform(ctx.state, data + used, blocks);
    used += blocks * 64;
    std::memcpy(ctx.buffer, data + used, n - used);
}

void DigestFinish(DigestState& ctx, Md5Digest& digest) {
    static constexpr std::uint8_t kPad[64] = {0x80};
    std::uint8_t length[8];
    StoreLe32(length, ctx.count[0]);
    StoreLe32(length + 4, ctx.count[1]);
    const std::uint32_t position = (ctx.count[0] >> 3) & 0x3F;
    const std::uint32_t pad = position < 56 ? 56 - position : 120 - position;
    DigestAdd(ctx, kPad, static_cast<std::int32_t>(pad));
    DigestAdd(ctx, length, 8);
    for (int w = 0; w < 4; ++w) StoreLe32(digest.bytes.data() + 4 * w, ctx.state[w]);
    // The context has held the message's last bytes; leave nothing of them behind.
    ctx = DigestState{};
}

Md5Digest DigestOfText(std::string_view text) {
    DigestState ctx;
    DigestStart(ctx);
    // Any text we digest fits one add; the loop only keeps one past 2 GiB from overflowing the
    // signed count.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t left = text.size(); left > 0;) {
        const std::size_t piece = std::min<std::size_t>(left, std::size_t{1} << 30);
        DigestAdd(ctx, bytes, static_cast<std::int32_t>(piece));
        bytes += piece;
        left -= piece;
    }
    Md5Digest digest;
    DigestFinish(ctx, digest);
    return digest;
}

std::string DigestToHex(const Md5Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.bytes.size());
    for (const std::uint8_t b : digest.bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

bool DigestsEqual(const Md5Digest& a, const Md5Digest& b) {
    return a == b;
}

int CompareDigests(const Md5Digest& a, const Md5Digest& b) {
    // std::array compares element by element, and uint8_t elements compare as unsigned.
    const auto order = a.bytes <=> b.bytes;
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace vellum
