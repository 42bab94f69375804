// The four folds, through the public routines and through every path this processor runs,
// against published check values and against references written from the definitions alone
// (bitwise and byte-table CRCs, a plain byte sum, MD5 step by step), over every start offset,
// chunk size, length and split of the input. VELLUM_PORTABLE=1 runs the public routines on
// their portable paths (a ctest entry of its own).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/block_folds.h"
#include "checksum/cpu_features.h"
#include "checksum/crc16.h"
#include "checksum/crc32.h"
#include "checksum/fold_paths.h"
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

std::string Md5(const Blocks& blocks) {
    DigestState ctx;
    DigestStart(ctx);
    for (const View block : blocks) DigestAdd(ctx, block.data(), Count(block));
    Md5Digest digest;
    DigestFinish(ctx, digest);
    return DigestToHex(digest);
}

// One step at a time as RFC 1321 lists them, sharing nothing with the transforms under test.
std::string ReferenceMd5(View data) {
    static constexpr std::uint8_t kShifts[4][4] = {
        {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    std::uint32_t k[64];
    for (int i = 0; i < 64; ++i)
        k[i] = static_cast<std::uint32_t>(std::fabs(std::sin(i + 1.0)) * 4294967296.0);
    std::vector<std::uint8_t> m(data.begin(), data.end());
    const std::uint64_t bits = 8 * std::uint64_t{data.size()};
    m.push_back(0x80);
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 0; i < 8; ++i) m.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t at = 0; at < m.size(); at += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i) std::memcpy(&x[i], &m[at + 4 * i], 4);  // little-endian host
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16)
                f = (b & c) | (~b & d), g = i;
            else if (i < 32)
                f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
            else if (i < 48)
                f = b ^ c ^ d, g = (3 * i + 5) % 16;
            else
                f = c ^ (b | ~d), g = (7 * i) % 16;
            const std::uint32_t sum = a + f + k[i] + x[g];
            a = d, d = c, c = b;
            b += std::rotl(sum, kShifts[i / 16][i % 4]);
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    Md5Digest digest;
    std::memcpy(digest.bytes.data(), h, 16);
    return DigestToHex(digest);
}

template <typename Crc>
Crc ByteTable(Crc crc, View data, const std::array<Crc, 256>& table, bool reflected) {
    constexpr int kTop = 8 * sizeof(Crc) - 8;
    for (const std::uint8_t b : data) {
        crc = reflected ? static_cast<Crc>(table[(crc ^ b) & 0xFF] ^ (crc >> 8))
                        : static_cast<Crc>(table[((crc >> kTop) ^ b) & 0xFF] ^ (crc << 8));
    }
    return crc;
}

// Each routine fed block by block as the list pass feeds it, and what it must give for the same
// bytes in one piece. The CRC starts are lopsided so that swapped halves of the register show.
struct Routine {
    std::string name;
    std::function<std::string(const Blocks&)> fold;
    std::function<std::string(View)> reference;
    std::function<std::string(View)> table;  // the byte table where there is one: quicker
};

template <typename Value>
std::string FoldWith(Value (*update)(Value, const std::uint8_t*, std::int32_t), Value value,
                     const Blocks& blocks) {
    for (const View block : blocks) value = update(value, block.data(), Count(block));
    return std::to_string(value);
}

std::string Md5With(paths::Md5BlocksFn* transform, const Blocks& blocks) {
    DigestState ctx;
    DigestStart(ctx);
    for (const View block : blocks)
        paths::DigestAddWith(transform, ctx, block.data(), Count(block));
    Md5Digest digest;
    DigestFinish(ctx, digest);
    return DigestToHex(digest);
}

template <typename Fn, typename Make>
void AddPaths(std::vector<Routine>& out, const char* routine, std::span<const paths::Path<Fn>> all,
              Make make) {
    for (const auto& path : all)
        if (paths::Runs(path))
            out.push_back(make(std::string(routine) + "/" + std::string(path.name), path.fn));
}

// The public routines, whichever path they chose, and every path this processor runs.
std::vector<Routine> AllRoutines() {
    const auto crc16 = [](View d) {
        return std::to_string(Bitwise<std::uint16_t>(0x1D0F, d, 0x1021, false));
    };
    const auto crc16t = [](View d) {
        return std::to_string(ByteTable<std::uint16_t>(0x1D0F, d, Crc16MsbTable, false));
    };
    const auto crc16r = [](View d) {
        return std::to_string(Bitwise<std::uint16_t>(0xC0DE, d, 0xA001, true));
    };
    const auto crc16rt = [](View d) {
        return std::to_string(ByteTable<std::uint16_t>(0xC0DE, d, Crc16LsbTable, true));
    };
    const auto crc32 = [](View d) {
        return std::to_string(Bitwise<std::uint32_t>(0x9E3779B9, d, 0xEDB88320, true));
    };
    const auto crc32t = [](View d) {
        return std::to_string(ByteTable<std::uint32_t>(0x9E3779B9, d, Crc32Table, true));
    };
    const auto xsum = [](View d) {
        return std::to_string(std::accumulate(d.begin(), d.end(), 0xFFF0u) & 0xFFFF);
    };
    std::vector<Routine> all = {
        {"Crc16Update", [](auto& b) { return FoldWith<std::uint16_t>(Crc16Update, 0x1D0F, b); },
         crc16, crc16t},
        {"Crc16ReflectedUpdate",
         [](auto& b) { return FoldWith<std::uint16_t>(Crc16ReflectedUpdate, 0xC0DE, b); }, crc16r,
         crc16rt},
        {"Crc32Update", [](auto& b) { return FoldWith<std::uint32_t>(Crc32Update, 0x9E3779B9, b); },
         crc32, crc32t},
        {"XsumUpdate", [](auto& b) { return FoldWith<std::uint16_t>(XsumUpdate, 0xFFF0, b); }, xsum,
         xsum},
        {"DigestAdd", Md5, ReferenceMd5, ReferenceMd5},
    };
    AddPaths(all, "crc16", paths::Crc16Paths(), [&](std::string name, paths::Crc16Fn* fn) {
        return Routine{name, [fn](auto& b) { return FoldWith<std::uint16_t>(fn, 0x1D0F, b); },
                       crc16, crc16t};
    });
    AddPaths(all, "crc16 reflected", paths::Crc16ReflectedPaths(),
             [&](std::string name, paths::Crc16Fn* fn) {
                 return Routine{name,
                                [fn](auto& b) { return FoldWith<std::uint16_t>(fn, 0xC0DE, b); },
                                crc16r, crc16rt};
             });
    AddPaths(all, "crc32", paths::Crc32Paths(), [&](std::string name, paths::Crc32Fn* fn) {
        return Routine{name, [fn](auto& b) { return FoldWith<std::uint32_t>(fn, 0x9E3779B9, b); },
                       crc32, crc32t};
    });
    AddPaths(all, "xsum", paths::XsumPaths(), [&](std::string name, paths::XsumFn* fn) {
        return Routine{name, [fn](auto& b) { return FoldWith<std::uint16_t>(fn, 0xFFF0, b); }, xsum,
                       xsum};
    });
    AddPaths(all, "md5", paths::Md5Paths(), [&](std::string name, paths::Md5BlocksFn* fn) {
        return Routine{name, [fn](auto& b) { return Md5With(fn, b); }, ReferenceMd5, ReferenceMd5};
    });
    return all;
}

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
    for (const Routine& r : AllRoutines()) {
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

// The wide paths switch between loops of 256, 64 and 16 bytes and the table at lengths that
// are multiples of 16: every length up to past the widest setup meets each mix of them.
TEST(ChecksumFolds, EveryLengthUpToAThousandBytesGivesTheTableResult) {
    const auto data = RandomBytes(1200, 4);
    for (const Routine& r : AllRoutines()) {
        for (std::size_t length = 0; length <= 1100; ++length) {
            const View piece = View(data).subspan(length % 8, length);
            ASSERT_EQ(r.fold({piece}), r.table(piece)) << r.name << ", " << length << " bytes";
        }
    }
}

TEST(ChecksumFolds, AnySplitOfALongInputGivesTheReferenceResult) {
    const auto data = RandomBytes((1 << 20) + 777, 2);
    std::mt19937 rng(3);
    for (const Routine& r : AllRoutines()) {
        const std::string want = r.table(data);
        for (int trial = 0; trial < 3; ++trial) {
            EXPECT_EQ(r.fold(Split(data, 0, &rng)), want) << r.name << ", trial " << trial;
        }
    }
}

// The portable run in CI means something only if the variable really turns the paths off.
TEST(ChecksumFolds, VellumPortableLeavesOnlyThePortablePathsChosen) {
    if (!PortableForced()) GTEST_SKIP() << "VELLUM_PORTABLE is not set";
    for (const std::string_view chosen :
         {paths::Chosen(paths::Crc16Paths()).name, paths::Chosen(paths::Crc16ReflectedPaths()).name,
          paths::Chosen(paths::Crc32Paths()).name, paths::Chosen(paths::XsumPaths()).name,
          paths::Chosen(paths::Md5Paths()).name}) {
        EXPECT_TRUE(chosen == "portable") << chosen;
    }
}

// The three folds of a block together, as the pass runs them, from lopsided starts: the
// references' over the same bytes, whatever the offset, the chunks or the CRC-16 variant.
std::string FoldedWith(bool reflected, const Blocks& blocks) {
    std::uint16_t crc16 = reflected ? 0xC0DE : 0x1D0F;
    std::uint32_t crc32 = 0x9E3779B9;
    std::uint16_t xsum = 0xFFF0;
    for (const View block : blocks)
        FoldBlock({crc16, crc32, xsum, reflected}, block.data(), Count(block));
    return std::to_string(crc16) + " " + std::to_string(crc32) + " " + std::to_string(xsum);
}

std::string ThreeReferences(bool reflected, View d) {
    const std::uint16_t crc16 = reflected
                                    ? ByteTable<std::uint16_t>(0xC0DE, d, Crc16LsbTable, true)
                                    : ByteTable<std::uint16_t>(0x1D0F, d, Crc16MsbTable, false);
    return std::to_string(crc16) + " " +
           std::to_string(Bitwise<std::uint32_t>(0x9E3779B9, d, 0xEDB88320, true)) + " " +
           std::to_string(std::accumulate(d.begin(), d.end(), 0xFFF0u) & 0xFFFF);
}

TEST(FoldBlock, GivesTheThreeReferencesForAnyOffsetChunkAndSplit) {
    const auto data = RandomBytes((1 << 20) + 4099, 5);
    std::mt19937 rng(6);
    for (const bool reflected : {false, true}) {
        SCOPED_TRACE(reflected ? "reflected CRC-16" : "CRC-16");
        for (std::size_t offset = 0; offset < 8; ++offset) {
            const View piece = View(data).subspan(offset, 4099);
            const std::string want = ThreeReferences(reflected, piece);
            for (const std::size_t chunk :
                 {std::size_t{1}, std::size_t{3}, std::size_t{512}, piece.size()})
                EXPECT_EQ(FoldedWith(reflected, Split(piece, chunk)), want)
                    << "offset " << offset << ", chunk " << chunk;
        }
        EXPECT_EQ(FoldedWith(reflected, Split(data, 0, &rng)), ThreeReferences(reflected, data));
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
