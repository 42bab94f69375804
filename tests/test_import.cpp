// Reading list files back: the field readers, the comma-separated line reader, the import of
// whole lists with its message and read errors, and the round trip through export, import and
// the verifying pass.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "filelist/list_context.h"
#include "interchange/list_file.h"
#include "pass/list_pass.h"
#include "tests/support/digest_of.h"
#include "tests/support/fake_files.h"
#include "tests/support/list_line.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using test::Paths;
using test::TempDir;

constexpr char kAbcMd5[] = "900150983cd24fb0d6963f7d28e17f72";

// A list line as the export writes it, with each field's text given.
std::string Line(std::string_view path, std::string_view size = "3",
                 std::string_view crc16 = "514A", std::string_view md5 = kAbcMd5) {
    return "\"" + std::string(path) + "\"," + std::string(size) + ",\"" + std::string(crc16) +
           "\",\"352441C2\",\"0126\",\"" + std::string(md5) + "\"";
}

TEST(ListFieldReaders, SizeTakesUnsignedDecimalWithinSixtyFourBits) {
    EXPECT_EQ(FoldText<SizeFold>("007").Result(), 7);
    EXPECT_EQ(FoldText<SizeFold>("3000000000").Result(), 3000000000LL);
    EXPECT_EQ(FoldText<SizeFold>("9223372036854775807").Result(), INT64_MAX);
    for (const char* bad :
         {"9223372036854775808", "", "+3", "-3", " 3", "3 ", "1.234", "3e9", "12a"})
        EXPECT_EQ(FoldText<SizeFold>(bad).Result(), std::nullopt) << bad;
}

TEST(ListFieldReaders, HexKeepsTheLowDigitsAndRejectsAnyOtherCharacter) {
    struct Case {
        const char* text;
        int bits;
        std::optional<std::uint32_t> want;
    };
    const Case cases[] = {
        {"514A", 16, 0x514A},         {"514a", 16, 0x514A},
        {"12345", 16, 0x2345},        {"", 16, 0},
        {"00AF", 16, 0xAF},           {"1FFFFFFFF", 32, 0xFFFFFFFF},
        {"352441C2", 32, 0x352441C2}, {"352441C2", 16, 0x41C2},
        {"12G4", 16, std::nullopt},   {" 12", 32, std::nullopt},
        {"-1", 32, std::nullopt},     {"0x12", 32, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadHexText(c.text, c.bits), c.want) << c.text;
}

TEST(ListFieldReaders, Md5ReadsUpToThirtyTwoDigitsHighNibbleFirst) {
    EXPECT_EQ(DigestToHex(*FoldText<Md5Fold>(kAbcMd5).Result()), kAbcMd5);
    EXPECT_EQ(DigestToHex(*FoldText<Md5Fold>("900150983CD24FB0D6963F7D28E17F72").Result()),
              kAbcMd5);
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"0f", "0f000000000000000000000000000000"},
        {"f", "f0000000000000000000000000000000"},
        {"", std::string(32, '0')},
        {std::string(kAbcMd5) + "zz, anything", kAbcMd5},
        {std::string(kAbcMd5).replace(31, 1, "g"), std::nullopt},
        {"12 4", std::nullopt},
    };
    for (const auto& [text, want] : cases) {
        const auto got = FoldText<Md5Fold>(text).Result();
        EXPECT_EQ(got ? std::optional(DigestToHex(*got)) : std::nullopt, want) << text;
    }
}

TEST(ListLine, TakesWhatTheExportWritesAndSkipsTheRest) {
    const std::string longPath(300, 'p');
    struct Case {
        const char* what;
        std::string line;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"plain", Line("/d/abc.txt"), "/d/abc.txt"},
        {"commas in the path", Line("/d/a,b,,c,d,e,f.txt"), "/d/a,b,,c,d,e,f.txt"},
        {"quotes and a fake size in the path", Line("/d/x\",3,\"y"), "/d/x\",3,\"y"},
        {"a path past 250 bytes whole", Line(longPath), longPath},
        {"the longest path the system opens", Line(std::string(kMaxPathBytes, 'p')),
         std::string(kMaxPathBytes, 'p')},
        {"a path the system cannot open: never cut to name another",
         Line(std::string(kMaxPathBytes + 1, 'p')), std::nullopt},
        {"empty crc16", Line("/d/a", "3", ""), "/d/a"},
        {"short md5", Line("/d/a", "3", "514A", "9001"), "/d/a"},
        {"empty line", "", std::nullopt},
        {"tabbed", "/d/a\t3\t514A\t352441C2\t0126\t900150983cd24fb0d6963f7d28e17f72", std::nullopt},
        {"signed size", Line("/d/a", "+3"), std::nullopt},
        {"spaced size", Line("/d/a", " 3"), std::nullopt},
        {"thousands separator", Line("/d/a", "1,234"), std::nullopt},
        {"letter ending the size", Line("/d/a", "3x"), std::nullopt},
        {"bad crc16", Line("/d/a", "3", "51 4A"), std::nullopt},
        {"bad md5", Line("/d/a", "3", "514A", "9001x"), std::nullopt},
        {"field missing", "\"/d/a\",3,\"514A\",\"352441C2\",\"0126\"", std::nullopt},
        {"NUL in the path", Line(std::string("/d/a\0b", 6)), std::nullopt},
    };
    for (const Case& c : cases) {
        FileEntry row;
        const bool passed = test::ReadCsvLine(c.line, row);
        EXPECT_EQ(passed ? std::optional(std::string(row.path.view())) : std::nullopt, c.path)
            << c.what;
    }
}

TEST(ImportFileList, SplitsLinesAtCrOrLfAndStopsAtCtrlZWhereALineStarts) {
    const std::string a = Line("/a"), b = Line("/b"), c = Line("/c");
    // Lines of megabytes: one whose md5 field runs on, one whose path does, one of commas.
    const std::string longMd5 = Line("/m", "3", "514A", kAbcMd5 + std::string(3 << 20, 'z'));
    const std::string longPath = Line(std::string(3 << 20, 'p'));
    const std::string commas = Line("/c", "3", "514A", std::string(3 << 20, ','));
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"CR LF", a + "\r\n" + b + "\r\n", {"/a", "/b"}},
        {"LF, last line unended", a + "\n" + b, {"/a", "/b"}},
        {"empty lines between", "\r\n" + a + "\r\n\r\n\n" + b + "\r\n", {"/a", "/b"}},
        {"CR only", a + "\r" + b + "\r" + c + "\r", {"/a"}},
        {"text after CR up to LF dropped", a + "\r" + b + "\n" + c, {"/a", "/c"}},
        {"Ctrl-Z where a line starts ends the file", a + "\r\n" + b + "\r\n\x1A" + c, {"/a", "/b"}},
        {"Ctrl-Z after a CR ends the file", a + "\r\x1A\n" + b, {"/a"}},
        {"Ctrl-Z inside a line is text",
         Line("/x\x1Ay") + "\r\n" + b + "\x1A\r\n" + c,
         {"/x\x1Ay", "/b", "/c"}},
        {"lines of megabytes",
         longMd5 + "\n" + longPath + "\r\n" + commas + "\n" + b,
         {"/m", "/b"}},
        {"twice the same line", a + "\n" + a, {"/a", "/a"}},
        {"tabbed", "/a\t3\t514A\t352441C2\t0126\t900150983cd24fb0d6963f7d28e17f72\r\n", {}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ListContext ctx;
        ASSERT_EQ(ImportFileList(ctx, dir.Write("list.csv", c.bytes)), std::nullopt) << c.what;
        EXPECT_EQ(Paths(ctx), c.paths) << c.what;
        for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
            EXPECT_EQ(ctx.table[i].status, EntryStatus::RECHECK);
            EXPECT_EQ(ctx.table[i].band, EntryBand::IMPORTED);
        }
    }
}

TEST(ImportNotice, NamesTheLinesThatCouldNotBeReadAndWhenNothingWasOfUse) {
    const std::pair<ImportCounts, std::optional<std::string>> cases[] = {
        {{.usable = 2}, std::nullopt},
        {{.usable = 0}, "/l/SUMS holds no usable line"},
        {{.usable = 3, .unreadable = 1, .firstUnreadable = 7},
         "line 7 of /l/SUMS could not be read"},
        {{.usable = 3, .unreadable = 3, .firstUnreadable = 7},
         "3 lines of /l/SUMS could not be read (the first is line 7)"},
        {{.usable = 0, .unreadable = 2, .firstUnreadable = 1, .sfvRefused = 3},
         "/l/SUMS holds no usable line; 2 lines of it could not be read (the first is line 1); "
         "SFV holds the CRC-32 of -crc32b, so 3 lines could not be checked under -crc32a"},
    };
    for (const auto& [counts, want] : cases) EXPECT_EQ(ImportNotice(counts, "/l/SUMS"), want);
}

// The rows of another tool's list hold only its digest: the import has the pass calculate it,
// and tells of the lines it could not read.
TEST(ImportChosenList, TurnsOnTheListsDigestsAndTellsOfUnreadLines) {
    TempDir dir;
    const std::string sha256 = LowerHex(test::DigestOf(DigestKind::Sha256, {}).view());
    const std::string list = dir.Write(
        "SHA256SUMS", sha256 + "  a\nSHA1 (b) = 12\n\n" + sha256 + "  /abs/c\nnot a line\n");
    ListContext ctx;
    test::CountingPass pass(ctx);
    ctx.calculate.digests = MaskOf(DigestKind::Sha1);
    ASSERT_EQ(ImportChosenList(ctx, list), std::nullopt);
    EXPECT_EQ(Paths(ctx), (std::vector<std::string>{dir / "a", "/abs/c"}));
    EXPECT_EQ(ctx.table[1].held, 0);
    EXPECT_EQ(ctx.table[1].digests.get(DigestKind::Sha256), test::DigestOf(DigestKind::Sha256, {}));
    EXPECT_EQ(ctx.calculate.digests, MaskOf(DigestKind::Sha1) | MaskOf(DigestKind::Sha256));
    EXPECT_EQ(ctx.message.StatusMessage,
              "2 lines of " + list + " could not be read (the first is line 2)");
    EXPECT_EQ(pass.count, 1);
}

TEST(ImportChosenList, ReadErrorKeepsEarlierRowsAndRunsNoPass) {
    TempDir dir;
    std::string bytes;
    while (bytes.size() < 200000) bytes += Line("/a") + "\r\n";
    const std::string list = dir.Write("list.csv", bytes);
    test::FakeFiles failing;  // hands over the first chunk, then fails
    failing.Fail({test::FakeFiles::Call::Read, list, EIO, 2});
    ListContext ctx;
    ctx.fs = &failing;
    test::CountingPass pass(ctx);
    // Named with the line it was reading: the one after the last row it took.
    const std::optional<std::string> error = ImportChosenList(ctx, list);
    EXPECT_EQ(error, list + ", line " + std::to_string(ctx.state.RowCount) + ": I/O error 5");
    EXPECT_GT(ctx.state.RowCount, 2);
    EXPECT_LT(static_cast<std::size_t>(ctx.state.RowCount), bytes.size() / Line("/a").size());
    EXPECT_EQ(pass.count, 0);

    EXPECT_EQ(ImportChosenList(ctx, dir / "missing.csv"), dir / "missing.csv" + ": File not found");
    EXPECT_EQ(pass.count, 0);
    const std::int32_t rows = ctx.state.RowCount;
    EXPECT_EQ(ImportChosenList(ctx, std::nullopt), std::nullopt);  // cancelled
    EXPECT_EQ(ctx.state.RowCount, rows);
    EXPECT_EQ(pass.count, 1);
}

TEST(ListFileRoundTrip, VerifiesUnchangedChangedAndMissingFiles) {
    TempDir dir;
    const std::string longName(200 - dir.path().size() - 1, 'n');
    const std::vector<std::string> files = {
        dir.Write("same.txt", "abc"), dir.Write(longName, "long"),
        dir.Write("a,b,c,d,e.txt", "commas"), dir.Write("changed.txt", "abc"),
        dir.Write("deleted.txt", "abc")};
    ASSERT_EQ(files[1].size(), 200u);
    ListContext before;
    {
        ListPass pass(before);
        for (const std::string& f : files) test::Fill(before, {test::Row(f, EntryStatus::WAITING)});
        before.RunPass();
        for (std::int32_t i = 1; i < before.state.RowCount; ++i)
            before.table[i].status = EntryStatus::FLAGGED;
    }
    const std::string list = dir / "list.csv";
    ASSERT_EQ(ExportFlaggedList(before, list, 1), std::nullopt);
    dir.Write("changed.txt", "abd");
    ASSERT_EQ(std::remove(files[4].c_str()), 0);

    ListContext after;
    ListPass pass(after);
    ASSERT_EQ(ImportChosenList(after, list), std::nullopt);
    ASSERT_EQ(Paths(after), files);
    const std::pair<EntryStatus, EntryBand> want[] = {{EntryStatus::OKAY, EntryBand::UNCHANGED},
                                                      {EntryStatus::OKAY, EntryBand::UNCHANGED},
                                                      {EntryStatus::OKAY, EntryBand::UNCHANGED},
                                                      {EntryStatus::OKAY, EntryBand::CHANGED},
                                                      {EntryStatus::INVALID, EntryBand::IMPORTED}};
    for (std::int32_t i = 1; i < after.state.RowCount; ++i) {
        EXPECT_EQ(after.table[i].status, want[i - 1].first) << files[i - 1];
        EXPECT_EQ(after.table[i].band, want[i - 1].second) << files[i - 1];
    }
}

}  // namespace
}  // namespace vellum
