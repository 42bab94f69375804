// The lines of other tools' checksum files: every shape read, and the writers' lines read back.
#include <gtest/gtest.h>

#include <string>

#include "interchange/checksum_lines.h"

namespace vellum {
namespace {

using K = ChecksumLineKind;

constexpr char kAbc[] = "900150983cd24fb0d6963f7d28e17f72";

std::string Md5(const std::string& rest) {
    return kAbc + rest;
}

TEST(ChecksumLines, ReadsTheShapesTheToolsWrite) {
    struct Case {
        std::string line;
        K kind;
        std::string name;
    };
    const Case digestCases[] = {
        {Md5("  plain"), K::Md5, "plain"},
        {Md5(" *binary"), K::Md5, "binary"},
        {"900150983CD24FB0D6963F7D28E17F72  *star", K::Md5, "*star"},
        {"\\" + Md5("  back\\\\slash"), K::Md5, "back\\slash"},
        {"\\" + Md5("  new\\nline and cr\\r"), K::Md5, "new\nline and cr\r"},
        {"\\" + Md5("  unknown\\x escape"), K::None, ""},
        {"\\" + Md5("  ends in\\"), K::None, ""},
        {Md5(" one space"), K::None, ""},
        {std::string(kAbc, 31) + "  short", K::None, ""},
        {Md5("  "), K::None, ""},
        {std::string("MD5 (sp ace) = ") + kAbc, K::Md5, "sp ace"},
        {std::string("MD5 (a) = b (c)) = ") + kAbc, K::Md5, "a) = b (c)"},
        {std::string("\\MD5 (new\\nline) = ") + kAbc, K::Md5, "new\nline"},
        {"SHA256 (plain) = ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
         K::OtherDigest, ""},
        {"BLAKE2b-256 (x) = abcd", K::OtherDigest, ""},
        {"MD5 (plain) = 9001", K::None, ""},
        {std::string("MD5 () = ") + kAbc, K::None, ""},
        {"\"/a\",3,\"514A\",\"352441C2\",\"0126\",\"" + std::string(kAbc) + "\"", K::None, ""},
        // A line of our own layout whose unquoted name reads like a tag line.
        {"a (b) = c,3,514A,352441C2,0126," + std::string(kAbc), K::None, ""},
    };
    for (const Case& c : digestCases) {
        const ChecksumLine read = ReadDigestLine(c.line);
        EXPECT_EQ(read.kind, c.kind) << c.line;
        EXPECT_EQ(read.name, c.name) << c.line;
        if (read.kind == K::Md5) {
            EXPECT_EQ(DigestToHex(read.md5), kAbc) << c.line;
        }
    }
    const Case sfvCases[] = {
        {"plain 352441C2", K::Crc32, "plain"},  {"sp ace 352441c2", K::Crc32, "sp ace"},
        {"two  352441C2", K::Crc32, "two "},  // the last space separates
        {"; comment 352441C2", K::Comment, ""}, {" 352441C2", K::None, ""},
        {"plain 352441C", K::None, ""},         {"plain 352441C2 ", K::None, ""},
    };
    for (const Case& c : sfvCases) {
        const ChecksumLine read = ReadSfvLine(c.line);
        EXPECT_EQ(read.kind, c.kind) << c.line;
        EXPECT_EQ(read.name, c.name) << c.line;
        if (read.kind == K::Crc32) {
            EXPECT_EQ(read.crc32, 0x352441C2u) << c.line;
        }
    }
}

TEST(ChecksumLines, WritesAsTheToolsDo) {
    const Md5Digest abc = DigestOfText("abc");
    EXPECT_EQ(Md5sumLine(abc, "sp ace"), Md5("  sp ace\n"));
    EXPECT_EQ(Md5sumLine(abc, "back\\slash"), "\\" + Md5("  back\\\\slash\n"));
    EXPECT_EQ(Md5sumLine(abc, "cr\rret"), "\\" + Md5("  cr\\rret\n"));
    EXPECT_EQ(SfvLine(0x0000ABCD, "sp ace"), "sp ace 0000ABCD\n");
    EXPECT_EQ(SfvLine(0x352441C2, ";semicolon"), "./;semicolon 352441C2\n");
    EXPECT_EQ(SfvLine(0x352441C2, "new\nline"), "");
}

// Every byte value in a name, at its start, middle and end, comes back through each writer
// and reader (SFV refuses the line breaks it cannot hold).
TEST(ChecksumLines, NamesComeBackThroughWriterAndReader) {
    const Md5Digest abc = DigestOfText("abc");
    const auto cut = [](const std::string& line) { return line.substr(0, line.size() - 1); };
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        for (const std::string& name :
             {std::string(1, c) + "x", "x" + std::string(1, c) + "y", "x" + std::string(1, c)}) {
            const ChecksumLine md5 = ReadDigestLine(cut(Md5sumLine(abc, name)));
            EXPECT_EQ(md5.kind, K::Md5) << b;
            EXPECT_EQ(md5.name, name) << b;
            const std::string sfv = SfvLine(0x352441C2, name);
            if (c == '\n' || c == '\r') {
                EXPECT_EQ(sfv, "") << b;
                continue;
            }
            const ChecksumLine crc = ReadSfvLine(cut(sfv));
            EXPECT_EQ(crc.kind, K::Crc32) << b;
            EXPECT_EQ(crc.name, c == ';' && name[0] == ';' ? "./" + name : name) << b;
        }
    }
}

}  // namespace
}  // namespace vellum
