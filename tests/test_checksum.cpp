// The four folds against published check values and against bitwise folds written from the
// polynomials alone, over every start offset, chunk size and split of the input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/crc16.h"
#include "checksum/crc32.h"
#include "checksum/md5.h"
#include "checksum/xsum.h"

namespace vellum {
namespace {

using View = std::span<const std::uint8_t>;
using Blocks = std::vector<View>;

// One bit at a time, sharing nothing with the tables under test.
template <typename Crc>
Crc Bitwise(Crc crc, View data, Crc poly, bool reflected) {
    constexpr int kTop = 8 * sizeof(Crc) - 1;
    for (const std::uint8_t b : data) {
        crc ^= reflected ? b : static_cast<Crc>(b << (kTop - 7));
        for (int k = 0; k < 8; ++k) {
            const bool out = reflected ? (crc & 1) : (crc >> kTop);
            crc = static_cast<Crc>(reflected ? crc >> 1 : crc << 1) ^ (out ? poly : 0);
        }
    }
    return crc;
}

View AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::int32_t Count(View data) {
    return static_cast<std::int32_t>(data.size());
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    return bytes;
}

// Fixed-size chunks, or with a generator sizes from empty to a few hundred KiB, so that block
// ends fall anywhere in a 64-byte MD5 block and in a slicing group.
Blocks Split(View data, std::size_t chunk, std::mt19937* rng = nullptr) {
    Blocks blocks;
    for (std::size_t at = 0; at < data.size(); at += blocks.back().size()) {
        if (rng) chunk = (*rng)() % 3 == 0 ? (*rng)() % 70 : (*rng)() % 300'000;
        blocks.push_back(data.subspan(at, std::min(chunk, data.size() - at)));
    }
    return blocks;
}

template <typename Value, Value (*Update)(Value, const std::uint8_t*, std::int32_t)>
std::string Fold(Value value, const Blocks& blocks) {
    for (const View block : blocks) value = Update(value, block.data(), Count(block));
    return std::to_string(value);
}

std::string Md5(const Blocks& blocks) {
    DigestState ctx;
    DigestStart(ctx);
    for (const View block : blocks) DigestAdd(ctx, block.data(), Count(block));
    Md5Digest digest;
    DigestFinish(ctx, digest);
    return DigestToHex(digest);
}

// Each routine fed block by block as the list pass feeds it, and what it must give for the same
// bytes in one piece. The CRC starts are lopsided so that swapped halves of the register show.
// MD5 has no bitwise twin: its reference is one call, anchored to known digests below.
struct Routine {
    const char* name;
    std::function<std::string(const Blocks&)> fold;
    std::function<std::string(View)> reference;
};

const Routine kRoutines[] = {
    {"crc16", [](auto& b) { return Fold<std::uint16_t, Crc16Update>(0x1D0F, b); },
     [](View d) { return std::to_string(Bitwise<std::uint16_t>(0x1D0F, d, 0x1021, false)); }},
    {"crc16 reflected",
     [](auto& b) { return Fold<std::uint16_t, Crc16ReflectedUpdate>(0xC0DE, b); },
     [](View d) { return std::to_string(Bitwise<std::uint16_t>(0xC0DE, d, 0xA001, true)); }},
    {"crc32", [](auto& b) { return Fold<std::uint32_t, Crc32Update>(0x9E3779B9, b); },
     [](View d) {
         return std::to_string(Bitwise<std::uint32_t>(0x9E3779B9, d, 0xEDB88320, true));
     }},
    {"xsum", [](auto& b) { return Fold<std::uint16_t, XsumUpdate>(0xFFF0, b); },
     [](View d) { return std::to_string(std::accumulate(d.begin(), d.end(), 0xFFF0u) & 0xFFFF); }},
    {"md5", Md5, [](View d) { return Md5({d}); }},
};

TEST(ChecksumVariants, EveryVariantGivesItsCheckValues) {
    struct Case {
        std::string_view text;
        std::uint16_t crc16a, crc16b, crc16c;
        std::uint32_t crc32a, crc32b;
        std::uint16_t xsum;
    };
    const Case cases[] = {
        {"", 0x0000, 0xFFFF, 0x0000, 0x00000000, 0x00000000, 0x0000},
        {"123456789", 0x31C3, 0x29B1, 0xBB3D, 0x2DFD2D88, 0xCBF43926, 0x01DD},
        {"a", 0x7C87, 0x9D77, 0xE8C1, 0x3AB551CE, 0xE8B7BE43, 0x0061},
    };
    for (const Case& c : cases) {
        const View d = AsBytes(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Crc16Update(0x0000, d.data(), Count(d)), c.crc16a);
        EXPECT_EQ(Crc16Update(0xFFFF, d.data(), Count(d)), c.crc16b);
        EXPECT_EQ(Crc16ReflectedUpdate(0x0000, d.data(), Count(d)), c.crc16c);
        EXPECT_EQ(Crc32Update(0x00000000, d.data(), Count(d)), c.crc32a);
        EXPECT_EQ(~Crc32Update(0xFFFFFFFF, d.data(), Count(d)), c.crc32b);
        EXPECT_EQ(XsumUpdate(0x0000, d.data(), Count(d)), c.xsum);
    }
}

TEST(Xsum, WrapsAtSixteenBitsWithoutEndAroundCarry) {
    const std::vector<std::uint8_t> ones(258, 0xFF);
    EXPECT_EQ(XsumUpdate(0, ones.data(), 257), 0xFFFF);
    EXPECT_EQ(XsumUpdate(0, ones.data(), 258), 0x00FE);
}

TEST(ChecksumFolds, MatchTheReferenceAtEveryStartOffsetAndChunkSize) {
    const auto data = RandomBytes(4099, 1);
    for (const Routine& r : kRoutines) {
        for (std::size_t offset = 0; offset < 8; ++offset) {
            const View tail = View(data).subspan(offset);
            const std::string want = r.reference(tail);
            for (const std::size_t chunk :
                 {std::size_t{1}, std::size_t{3}, std::size_t{512}, tail.size()}) {
                EXPECT_EQ(r.fold(Split(tail, chunk)), want)
                    << r.name << ", offset " << offset << ", chunk " << chunk;
            }
        }
    }
}

TEST(ChecksumFolds, AnySplitOfALongInputGivesTheReferenceResult) {
    const auto data = RandomBytes((1 << 20) + 777, 2);
    std::mt19937 rng(3);
    for (const Routine& r : kRoutines) {
        const std::string want = r.reference(data);
        for (int trial = 0; trial < 3; ++trial) {
            EXPECT_EQ(r.fold(Split(data, 0, &rng)), want) << r.name << ", trial " << trial;
        }
    }
}

TEST(ChecksumFolds, ANonPositiveCountChangesNothing) {
    const std::uint8_t byte = 'Z';
    for (const std::int32_t count : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(Crc16Update(0x1234, &byte, count), 0x1234) << count;
        EXPECT_EQ(Crc16ReflectedUpdate(0x1234, &byte, count), 0x1234) << count;
        EXPECT_EQ(Crc32Update(0x12345678, &byte, count), 0x12345678u) << count;
        EXPECT_EQ(XsumUpdate(0x1234, &byte, count), 0x1234) << count;
        DigestState ctx;
        DigestStart(ctx);
        DigestAdd(ctx, &byte, 1);
        DigestAdd(ctx, &byte, count);
        Md5Digest digest;
        DigestFinish(ctx, digest);
        EXPECT_EQ(digest, DigestOfText("Z")) << count;
    }
}

TEST(Md5, DigestsOfKnownMessages) {
    std::string pattern((1 << 20) + 100, '\0');
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>(i % 251);
    const std::pair<std::string, std::string_view> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"123456789", "25f9e794323b453885f5181f1b624d0b"},
        // The pad is 1 byte, then 64 (the length spills into a second block), then 56.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {pattern, "aed5120db79c1c7607f4d93268d21bba"},
    };
    for (const auto& [text, hex] : cases) {
        EXPECT_EQ(DigestToHex(DigestOfText(text)), hex) << text.size() << " bytes";
    }
}

TEST(Md5, BitCountCarriesIntoItsHighWordAndFinishClearsTheContext) {
    // Any file past 512 MiB wraps the low word; starting just short of the wrap is cheaper.
    DigestState ctx;
    DigestStart(ctx);
    ctx.count[0] = 0xFFFFFFF8;
    DigestAdd(ctx, AsBytes("x").data(), 1);
    EXPECT_EQ(ctx.count[0], 0u);
    EXPECT_EQ(ctx.count[1], 1u);
    // The context has held the message's last bytes; nothing of them may stay behind.
    Md5Digest digest;
    DigestFinish(ctx, digest);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&ctx);
    EXPECT_TRUE(std::all_of(raw, raw + sizeof ctx, [](std::uint8_t b) { return b == 0; }));
}

Md5Digest DigestWith(std::initializer_list<std::pair<int, std::uint8_t>> bytes) {
    Md5Digest digest;
    for (const auto& [at, value] : bytes) digest.bytes[at] = value;
    return digest;
}

TEST(Md5, ComparisonIsUnsignedFromByteZeroAndAgreesWithTheHexText) {
    struct Case {
        Md5Digest a, b;
        int want;
    };
    const Case cases[] = {
        {DigestWith({{0, 0x80}}), DigestWith({{0, 0x7F}}), +1},
        {DigestWith({{0, 0x7F}}), DigestWith({{0, 0x80}}), -1},
        {DigestWith({{0, 0x01}}), DigestWith({{1, 0xFF}}), +1},
        {DigestWith({{15, 0x01}}), DigestWith({}), +1},
        {DigestOfText("abc"), DigestOfText("abc"), 0},
    };
    for (const Case& c : cases) {
        const std::string a = DigestToHex(c.a), b = DigestToHex(c.b);
        EXPECT_EQ(CompareDigests(c.a, c.b), c.want) << a << " vs " << b;
        EXPECT_EQ(DigestsEqual(c.a, c.b), c.want == 0) << a << " vs " << b;
        EXPECT_EQ((a > b) - (a < b), c.want) << a << " vs " << b;
    }
}

}  // namespace
}  // namespace vellum
