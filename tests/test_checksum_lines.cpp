// The lines of other tools' checksum files: every shape read as sha256sum -c and its siblings
// read it, and the writers' lines read back for every byte and every digest.
#include <gtest/gtest.h>

#include <string>

#include "interchange/checksum_lines.h"
#include "tests/support/digest_of.h"

namespace vellum {
namespace {

using namespace std::string_literals;

constexpr char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
constexpr char kSha256Abc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kSha256Upper[] = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
constexpr DigestMask kSha256 = MaskOf(DigestKind::Sha256);
constexpr DigestMask kBoth128 = MaskOf(DigestKind::Sha512) | MaskOf(DigestKind::Blake2b);

std::string Sums(const std::string& rest) {
    return kSha256Abc + rest;
}

std::string Tagged(const std::string& before, const std::string& after = "") {
    return before + kSha256Abc + after;
}

TEST(ChecksumLines, ReadsEveryShapeAsTheToolsCheckThem) {
    const std::string d128(128, 'a');
    struct Case {
        std::string line;
        std::optional<std::string> name;  // nothing: the line is no checksum line
        DigestMask kinds = kSha256;       // 0 with an MD5 digest
    };
    const Case cases[] = {
        {Sums("  text"), "text"},
        {Sums(" *binary"), "binary"},
        {Sums("\tafter a tab"), "after a tab"},
        {" \t " + Sums("  indented"), "indented"},
        {Sums(" one space"), "one space"},  // as BSD's md5 -r writes
        {Sums(" *"), "*"},                  // the mark is the name's only character
        {Sums("  "), " "},
        {Sums(" **star"), "*star"},
        {Sums("   lead and trail  "), " lead and trail  "},
        {kSha256Upper + "  upper"s, "upper"},
        {"\\" + Sums("  back\\\\slash\\nnew\\rcr"), "back\\slash\nnew\rcr"},
        {Sums("  not\\escaped"), "not\\escaped"},
        {"\\" + Sums("  bad\\x escape"), std::nullopt},
        {"\\" + Sums("  ends in\\"), std::nullopt},
        {"\\ " + Sums("  blank after the escape"), std::nullopt},
        {Sums("  nul\0inside"s), std::nullopt},
        {std::string(kSha256Abc, 63) + "  typo", std::nullopt},
        {Sums("x  joined"), std::nullopt},
        {Sums(""), std::nullopt},
        {kMd5Abc + "  md5"s, "md5", 0},
        {std::string(40, 'a') + "  sha1", "sha1", MaskOf(DigestKind::Sha1)},
        {std::string(96, 'a') + "  sha384", "sha384", MaskOf(DigestKind::Sha384)},
        {d128 + "  open", "open", kBoth128},
        {std::string(48, 'a') + "  no such length", std::nullopt},
        {Tagged("SHA256 (tag) = "), "tag"},
        {Tagged("SHA256(tight)="), "tight"},
        {Tagged("SHA256 (tabs)\t=\t"), "tabs"},
        {Tagged("SHA256 (x)y (z)) = "), "x)y (z)"},
        {Tagged("\\SHA256 (new\\nline) = "), "new\nline"},
        {"SHA256 (upper) = "s + kSha256Upper, "upper"},
        {"MD5 (md5) = "s + kMd5Abc, "md5", 0},
        {"BLAKE2b (b2) = " + d128, "b2", MaskOf(DigestKind::Blake2b)},
        {"BLAKE2b-512 (b2) = " + d128, "b2", MaskOf(DigestKind::Blake2b)},
        {"SHA512 (s5) = " + d128, "s5", MaskOf(DigestKind::Sha512)},
        {"BLAKE2b-256 (short) = " + std::string(64, 'a'), std::nullopt},
        {Tagged("sha256 (lower case) = "), std::nullopt},
        {Tagged("SHA256  (two spaces) = "), std::nullopt},
        {Tagged("SHA256\t(tab) = "), std::nullopt},
        {Tagged("SHA256 (blank after) = ", " "), std::nullopt},
        {"SHA256 (base64) = ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", std::nullopt},
        {Tagged("SHA1 (wrong length) = "), std::nullopt},
        {Tagged("SHA256 () = "), std::nullopt},
        {Tagged("SHA256 (nul\0) = "s), std::nullopt},
        // A line of Vellum's own layout whose unquoted name reads like a tag line.
        {"a (b) = c,3,514A,352441C2,0126,"s + kMd5Abc, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto read = ReadDigestLine(c.line, kBoth128);
        ASSERT_EQ(read.has_value(), c.name.has_value());
        if (!read) continue;
        EXPECT_EQ(read->name, *c.name);
        EXPECT_EQ(read->md5, c.kinds == 0);
        EXPECT_EQ(read->kinds, c.kinds);
        if (c.kinds == kSha256 || c.kinds == 0) {
            EXPECT_EQ(LowerHex(read->value.view()), c.kinds == 0 ? kMd5Abc : kSha256Abc);
        }
    }
    EXPECT_EQ(ReadDigestLine(d128 + "  x", MaskOf(DigestKind::Sha512))->kinds,
              MaskOf(DigestKind::Sha512));
}

TEST(ChecksumLines, ReadsSfvByItsLastSpace) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"plain 352441C2", "plain"},       {"sp ace 352441c2", "sp ace"},
        {"two  352441C2", "two "},         {" 352441C2", std::nullopt},
        {"plain 352441C", std::nullopt},   {"plain 352441C2 ", std::nullopt},
        {"nul\0 352441C2"s, std::nullopt},
    };
    for (const auto& [line, name] : cases) {
        const auto read = ReadSfvLine(line);
        EXPECT_EQ(read ? std::optional(read->name) : std::nullopt, name) << line;
        if (read) {
            EXPECT_EQ(read->crc32, 0x352441C2u) << line;
        }
    }
}

TEST(ChecksumLines, WritesSfvAsItsReadersNeed) {
    EXPECT_EQ(SfvLine(0x0000ABCD, "sp ace"), "sp ace 0000ABCD\n");
    EXPECT_EQ(SfvLine(0x352441C2, ";semicolon"), "./;semicolon 352441C2\n");
    EXPECT_EQ(SfvLine(0x352441C2, "new\nline"), "");
}

// Every byte value in a name, at its start, middle and end, comes back through each writer
// and reader of every digest (SFV refuses the line breaks it cannot hold).
TEST(ChecksumLines, NamesAndDigestsComeBackThroughWriterAndReader) {
    const auto cut = [](const std::string& line) { return line.substr(0, line.size() - 1); };
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        for (const std::string& name :
             {std::string(1, c) + "x", "x" + std::string(1, c) + "y", "x" + std::string(1, c)}) {
            for (const DigestInfo& info : AllDigestInfo()) {
                const DigestValue value = test::DigestOf(info.kind, {});
                for (const std::string& line :
                     {SumsLine(value.view(), name), TagLine(info.tag, value.view(), name)}) {
                    const auto read = ReadDigestLine(cut(line), MaskOf(info.kind));
                    ASSERT_TRUE(read) << b << " " << line;
                    EXPECT_EQ(read->name, name) << b;
                    EXPECT_EQ(read->kinds, MaskOf(info.kind)) << b;
                    EXPECT_EQ(read->value, value) << b;
                }
            }
            const std::string sfv = SfvLine(0x352441C2, name);
            if (c == '\n' || c == '\r') {
                EXPECT_EQ(sfv, "") << b;
                continue;
            }
            const auto crc = ReadSfvLine(cut(sfv));
            ASSERT_TRUE(crc) << b;
            EXPECT_EQ(crc->name, c == ';' && name[0] == ';' ? "./" + name : name) << b;
        }
    }
}

}  // namespace
}  // namespace vellum
