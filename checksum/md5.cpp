#include "checksum/md5.h"

#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstring>
#include <utility>

#include "checksum/fold_paths.h"
#include "checksum/md5_schedule.h"

namespace vellum {
namespace {

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
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

void paths::Md5BlocksPortable(std::uint32_t (&state)[4], const std::uint8_t* data,
                              std::size_t blocks) {
    std::uint32_t v[4] = {state[0], state[1], state[2], state[3]};
    for (; blocks > 0; --blocks, data += 64) {
        const std::uint32_t before[4] = {v[0], v[1], v[2], v[3]};
        md5::ScalarBlock(v, data);
        for (int w = 0; w < 4; ++w) v[w] += before[w];
    }
    for (int w = 0; w < 4; ++w) state[w] = v[w];
}

void paths::DigestAddWith(Md5BlocksFn* transform, DigestState& ctx, const std::uint8_t* data,
                          std::int32_t count) {
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
        transform(ctx.state, ctx.buffer, 1);
        used = room;
    }
    const std::uint32_t blocks = (n - used) / 64;
    transform(ctx.state, data + used, blocks);
    used += blocks * 64;
    std::memcpy(ctx.buffer, data + used, n - used);
}

void DigestAdd(DigestState& ctx, const std::uint8_t* data, std::int32_t count) {
    static paths::Md5BlocksFn* const transform = paths::Chosen(paths::Md5Paths()).fn;
    paths::DigestAddWith(transform, ctx, data, count);
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
