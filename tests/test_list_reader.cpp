// Reading a list line by line: how its bytes are cut into lines, which shape each line is
// taken for, when SFV is read at all, what 128 digits stand for, and the counting of the
// lines that could not be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interchange/list_reader.h"
#include "tests/support/memory_file.h"

namespace vellum {
namespace {

using namespace std::string_literals;

constexpr char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
constexpr char kSha256Abc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string Md5(const std::string& name) {
    return kMd5Abc + "  "s + name;
}
std::string Sha256(const std::string& name) {
    return kSha256Abc + "  "s + name;
}
std::string Csv(const std::string& path) {
    return "\"" + path + "\",3,\"514A\",\"352441C2\",\"0126\",\"" + kMd5Abc + "\"";
}

// What one line gave, in a word and the name: "sha256 a", "csv /a", "ignored", "unreadable".
std::string Outline(const ListLine& line, const std::string& folder) {
    if (line.kind == ListLineKind::Ignored) return "ignored";
    if (line.kind == ListLineKind::Unreadable) return "unreadable";
    if (line.kind == ListLineKind::SfvRefused) return "refused";
    const FileEntry& row = line.row;
    std::string holds = row.held == kHeldAll ? "csv" : "";
    if (row.held == kHeldMd5) holds = "md5";
    if (row.held == kHeldCrc32) holds = "crc32";
    ForEachKind(row.digests.mask(), [&](DigestKind kind) {
        holds += (holds.empty() ? "" : row.digests.alternatives() ? "/" : "+");
        holds += InfoOf(kind).caption;
    });
    std::string_view path = row.path.view();
    if (path.starts_with(folder)) path.remove_prefix(folder.size());
    return holds + " " + std::string(path);
}

struct ReadBack {
    std::vector<std::string> lines;
    ImportCounts counts;
};

// The list as the named file, read in pieces of 1, 2 and 7 bytes to catch every way a line,
// a CR or a byte-order mark may be split between reads.
ReadBack ReadList(const std::string& bytes, const std::string& listPath = "/lists/list.txt",
                  std::uint8_t crc32Variant = 1) {
    test::MemoryFile file(bytes, {1, 2, 7});
    const ListRules rules = RulesFor(listPath, crc32Variant);
    ListLineReader reader(file, test::MemoryFile::kFd, rules);
    ReadBack read;
    ListLine line;
    for (std::int64_t number = 1; reader.Next(line); ++number) {
        EXPECT_EQ(line.number, number);
        read.lines.push_back(Outline(line, rules.folder));
        read.counts.Count(line);
    }
    EXPECT_EQ(reader.error(), std::nullopt);
    return read;
}

using Lines = std::vector<std::string>;

TEST(ListLineReader, CutsLinesAtLineFeedsAndKeepsEveryOtherByteOfAName) {
    const std::string overlong = Sha256(std::string(3 * kMaxPathBytes + 200, 'n'));
    struct Case {
        const char* what;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"CR LF", Sha256("a") + "\r\n" + Md5("b") + "\r\n", {"sha256 a", "md5 b"}},
        {"last line unended, its CR dropped",
         Sha256("a") + "\n" + Sha256("b") + "\r",
         {"sha256 a", "sha256 b"}},
        {"a bare CR is a byte of the name", Sha256("a\rb\r") + "\r\n", {"sha256 a\rb\r"}},
        {"a byte-order mark", "\xEF\xBB\xBF" + Sha256("a") + "\n", {"sha256 a"}},
        {"only the start of a mark: its bytes stay", "\xEF\xBB" + Sha256("a"), {"unreadable"}},
        {"blank and comment lines",
         "\n \t\r\n#" + Sha256("x") + "\n" + Md5("b"),
         {"ignored", "ignored", "ignored", "md5 b"}},
        {"a comment is '#' first", " #" + Sha256("x"), {"unreadable"}},
        {"a name may start with '#'", Sha256("#a"), {"sha256 #a"}},
        {"a line too long for any name", overlong + "\n" + Md5("b"), {"unreadable", "md5 b"}},
        {"shapes mixed",
         Csv("/c") + "\r\n" + Md5("m") + "\nSHA256 (t) = " + kSha256Abc,
         {"csv /c", "md5 m", "sha256 t"}},
        {"a path the system opens",
         Csv(std::string(kMaxPathBytes, 'p')),
         {"csv " + std::string(kMaxPathBytes, 'p')}},
        {"a longer path is never cut to name another",
         Csv(std::string(kMaxPathBytes + 1, 'p')),
         {"unreadable"}},
        {"the comma-separated text ends at its first CR",
         Csv("/a") + "\rrest\n" + Csv("/b"),
         {"csv /a", "csv /b"}},
        {"Ctrl-Z in a checksum list is a byte of a name",
         Md5("a\x1A") + "\n\x1A" + Md5("b") + "\n" + Md5("c\r\x1A") + "\n" + Md5("d"),
         {"md5 a\x1A", "unreadable", "md5 c\r\x1A", "md5 d"}},
        {"Ctrl-Z where a line of a comma-separated list starts ends it",
         Csv("/a") + "\r\n\x1A" + Md5("b") + "\n" + Csv("/c"),
         {"csv /a"}},
        {"and after the CR of such a line", Csv("/a") + "\r\x1A\n" + Csv("/b"), {"csv /a"}},
        {"and at the start of a list", "\x1A" + Md5("b"), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadList(c.bytes).lines, c.lines) << c.what;
}

// An SFV line is a name and a word of eight hex digits: a checksum line that fails would
// often read as one. Only an SFV list, by its name or its opening comment, is read so.
TEST(ListLineReader, ReadsSfvOnlyInAnSfvList) {
    const std::string typo = std::string(kSha256Abc, 63) + "  DEADBEEF";
    struct Case {
        const char* list;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"list.txt", " " + Md5("DEADBEEF"), {"md5 DEADBEEF"}},
        {"list.txt", Sha256("DEADBEEF"), {"sha256 DEADBEEF"}},
        {"list.txt", typo, {"unreadable"}},
        {"list.txt", Md5("a") + "\nfile.bin 352441C2", {"md5 a", "unreadable"}},
        {"list.txt", "file.bin 352441C2\n; comment", {"unreadable", "ignored"}},
        {"CRC.SFV", "file.bin 352441C2\n; comment", {"crc32 file.bin", "ignored"}},
        {"list.txt",
         "\n; made by hand\r\nsp ace 352441c2\r\n" + Md5("DEADBEEF"),
         {"ignored", "ignored", "crc32 sp ace", "md5 DEADBEEF"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadList(c.bytes, "/lists/"s + c.list).lines, c.lines) << c.list << c.bytes;
    const ReadBack crc32a = ReadList("a.bin 352441C2\n", "/lists/a.sfv", 0);
    EXPECT_EQ(crc32a.lines, Lines{"refused"});
    EXPECT_EQ(crc32a.counts.sfvRefused, 1);
}

TEST(ListLineReader, TakesOpenDigestsOfHundredTwentyEightDigitsByTheListsName) {
    const std::string line = std::string(128, 'a') + "  x\n";
    const std::pair<const char*, const char*> cases[] = {
        {"/l/SHA512SUMS", "sha512 x"},
        {"/l/a.sha512", "sha512 x"},
        {"/l/a.SHA512SUM", "sha512 x"},
        {"/l/B2SUMS", "blake2b x"},
        {"/l/a.b2", "blake2b x"},
        {"/l/a.blake2b", "blake2b x"},
        {"/l/list.txt", "sha512/blake2b x"},
        {"/l/SHA512SUMS.asc", "sha512/blake2b x"},
        {"/l/NOTSHA512SUMS", "sha512/blake2b x"},
    };
    for (const auto& [list, want] : cases) EXPECT_EQ(ReadList(line, list).lines, Lines{want});
    // A tag names its kind whatever the list's name.
    EXPECT_EQ(ReadList("BLAKE2b (x) = " + line.substr(0, 128), "/l/SHA512SUMS").lines,
              Lines{"blake2b x"});
}

TEST(RulesFor, TakesTheFolderAndTheVariantFromTheList) {
    EXPECT_EQ(RulesFor("/x/y/SUMS", 1).folder, "/x/y/");
    EXPECT_EQ(RulesFor("SUMS", 1).folder, "");
    EXPECT_EQ(RulesFor("-", 1).folder, "");
    EXPECT_TRUE(RulesFor("-", 1).crc32Common);
    EXPECT_FALSE(RulesFor("-", 0).crc32Common);
    EXPECT_FALSE(RulesFor("/x.sfv/SUMS", 1).sfvList);
}

TEST(ImportCounts, CountsTheUnreadableLinesAndTheFirstOnesNumber) {
    const std::string bytes = "# made by hand\n" + Sha256("a") + "\njunk\n\n" + Md5("b") + "\n" +
                              "SHA256 (x) = 12\n" + std::string(128, 'c') + "  c\n";
    const ImportCounts counts = ReadList(bytes).counts;
    EXPECT_EQ(counts.usable, 3);
    EXPECT_EQ(counts.unreadable, 2);
    EXPECT_EQ(counts.firstUnreadable, 3);
    EXPECT_EQ(counts.sfvRefused, 0);
    EXPECT_EQ(counts.digests, MaskOf(DigestKind::Sha256) | MaskOf(DigestKind::Sha512) |
                                  MaskOf(DigestKind::Blake2b));
}

}  // namespace
}  // namespace vellum
