// Writing the flagged rows to a list file, and what stays in the file when writing fails.
#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "filelist/list_context.h"
#include "interchange/checksum_lines.h"
#include "interchange/export_line.h"
#include "interchange/list_file.h"
#include "tests/support/digest_of.h"
#include "tests/support/fake_files.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using test::FakeFiles;
using test::ReadAll;
using test::TempDir;

// Rows of every status, FLAGGED ones among them, in an order that is not the order of names.
void FillList(ListContext& ctx) {
    const std::pair<const char*, EntryStatus> rows[] = {
        {"/d/zeta", EntryStatus::FLAGGED},    {"/d/okay", EntryStatus::OKAY},
        {"/d/alpha", EntryStatus::FLAGGED},   {"/d/marker", EntryStatus::MARKER},
        {"/d/deleted", EntryStatus::DELETED}, {"/d/recheck", EntryStatus::RECHECK},
        {"/d/a,b", EntryStatus::FLAGGED}};
    std::uint16_t n = 0;
    for (const auto& [path, status] : rows) {
        FileEntry row = test::Row(path, status, 3);
        row.crc16 = ++n;
        test::Fill(ctx, {row});
    }
}

// Rows 1, 3 and 7 are the flagged ones.
std::string FlaggedLines(const ListContext& ctx, ExportLayout layout) {
    return ExportLine(ctx.table[1], layout) + ExportLine(ctx.table[3], layout) +
           ExportLine(ctx.table[7], layout);
}

TEST(ExportFlaggedList, WritesFlaggedRowsInListOrderInTheChosenLayout) {
    TempDir dir;
    ListContext ctx;
    FillList(ctx);
    const std::string tabbed = FlaggedLines(ctx, ExportLayout::Tabbed);
    const std::pair<int, std::string> cases[] = {
        {1, FlaggedLines(ctx, ExportLayout::Csv)}, {2, tabbed}, {0, tabbed}};
    for (const auto& [filter, want] : cases) {
        const std::string path = dir.Write("list.txt", "old content that must go");
        ASSERT_EQ(ExportFlaggedList(ctx, path, filter), std::nullopt);
        EXPECT_EQ(ReadAll(path), want) << filter;
    }
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) ctx.table[i].status = EntryStatus::OKAY;
    ASSERT_EQ(ExportFlaggedList(ctx, dir / "list.txt", 1), std::nullopt);
    EXPECT_EQ(ReadAll(dir / "list.txt"), "");  // emptied, not left as it was
}

TEST(ExportFlaggedList, WritesTheOtherToolsLayoutsWithoutRowsTheyCannotHold) {
    TempDir dir;
    ListContext ctx;
    FileEntry plain = test::Row("/d/plain", EntryStatus::FLAGGED, 3);
    plain.md5 = DigestOfText("abc");
    plain.crc32 = 0x352441C2;
    FileEntry broken = plain;
    broken.path.assign("/d/new\nline");
    FileEntry sfvOnly = plain;  // imported from an SFV list and flagged before it was verified
    sfvOnly.path.assign("/d/sfv-only");
    sfvOnly.held = kHeldCrc32;
    test::Fill(ctx, {plain, test::Row("/d/okay"), broken, sfvOnly});
    const std::string leftOut =
        "1 flagged row was left out: this layout cannot hold its name or value";
    const std::tuple<int, std::string, std::optional<std::string>> cases[] = {
        // A line break in the path would end the line and could forge another.
        {1, ExportLine(plain, ExportLayout::Csv),
         "2 flagged rows were left out: this layout cannot hold their names or values"},
        {3,
         "900150983cd24fb0d6963f7d28e17f72  /d/plain\n"
         "\\900150983cd24fb0d6963f7d28e17f72  /d/new\\nline\n",
         leftOut},
        {4, std::string(kSfvHeader) + "/d/plain 352441C2\n/d/sfv-only 352441C2\n", leftOut},
    };
    for (const auto& [filter, want, result] : cases) {
        EXPECT_EQ(ExportFlaggedList(ctx, dir / "list", filter), result) << filter;
        EXPECT_EQ(ReadAll(dir / "list"), want) << filter;
    }
    ctx.state.Crc32Variant = 0;
    EXPECT_EQ(ExportFlaggedList(ctx, dir / "crc32a.sfv", 4), std::string(kSfvNeedsCommonCrc));
    EXPECT_FALSE(std::filesystem::exists(dir / "crc32a.sfv"));
}

// The dialog offers the lists of the digests shown; a row whose digest is not known for sure
// (an open 128-digit one from an imported list) is in none of them.
TEST(ExportFlaggedList, WritesTheListsOfTheDigestsShown) {
    TempDir dir;
    ListContext ctx;
    ctx.calculate.digests = MaskOf(DigestKind::Sha1) | MaskOf(DigestKind::Blake2b);
    FileEntry known = test::Row("/d/k)", EntryStatus::FLAGGED);
    known.digests.set(DigestKind::Sha1, test::DigestOf(DigestKind::Sha1, {}));
    known.digests.set(DigestKind::Blake2b, test::DigestOf(DigestKind::Blake2b, {}));
    FileEntry open = test::Row("/d/open", EntryStatus::FLAGGED);
    open.digests.set(DigestKind::Sha512, test::DigestOf(DigestKind::Blake2b, {}));
    open.digests.set(DigestKind::Blake2b, test::DigestOf(DigestKind::Blake2b, {}));
    open.digests.setAlternatives(true);
    test::Fill(ctx, {known, open});
    const std::string sha1 = "da39a3ee5e6b4b0d3255bfef95601890afd80709";
    const std::string b2 =
        "786a02f742015903c6c6fd852552d272912f4740e15847618a86e217f71f5419d25e1031afee585313896444"
        "934eb04b903a685b1448b755d56f701afe9be2ce";
    const std::pair<int, std::string> cases[] = {
        {5, sha1 + "  /d/k)\n"},
        {6, "SHA1 (/d/k)) = " + sha1 + "\n"},
        {7, b2 + "  /d/k)\n"},
        {8, "BLAKE2b (/d/k)) = " + b2 + "\n"},
    };
    for (const auto& [filter, want] : cases) {
        EXPECT_EQ(ExportFlaggedList(ctx, dir / "list", filter), LeftOutText(1)) << filter;
        EXPECT_EQ(ReadAll(dir / "list"), want) << filter;
    }
}

// The target is named before the reason.
TEST(ExportFlaggedList, ReportsATargetThatCannotBeWrittenInTheRunTimesWording) {
    TempDir dir;
    ListContext ctx;
    FillList(ctx);
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/full", "Disk full"},
        {dir / "no/such/folder/list.csv", "File not found"},
        {dir.MakeDir("folder"), "I/O error 21"},  // EISDIR
    };
    for (const auto& [path, want] : cases)
        EXPECT_EQ(ExportFlaggedList(ctx, path, 1), path + ": " + want);
}

// Holds the size of files this process may write to bytes; writes past it fail with EFBIG.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

TEST(ExportFlaggedList, AFailedWriteKeepsTheWholeLinesBeforeIt) {
    TempDir dir;
    ListContext ctx;
    FillList(ctx);
    const std::string first = ExportLine(ctx.table[1], ExportLayout::Csv);
    const std::string path = dir / "list.csv";
    std::optional<std::string> error;
    {
        // The second line runs into the limit half-way: the part of it that got in is cut off.
        FileSizeLimit limit(first.size() + 10);
        error = ExportFlaggedList(ctx, path, 1);
    }
    EXPECT_EQ(error, path + ": I/O error 27");  // EFBIG
    EXPECT_EQ(ReadAll(path), first);
}

TEST(ExportFlaggedList, FaultsOfTheDiskLeaveOnlyWholeLinesAndTheFirstErrorIsReported) {
    TempDir dir;
    ListContext ctx;
    FillList(ctx);
    const std::string all = FlaggedLines(ctx, ExportLayout::Csv);
    const std::string first = ExportLine(ctx.table[1], ExportLayout::Csv);
    using Call = FakeFiles::Call;
    const struct {
        const char* what;
        std::vector<FakeFiles::Fault> faults;
        std::string error;
        std::string kept;
    } cases[] = {
        {"refused", {{Call::Create, "", EACCES}}, "File access denied", "older list"},
        {"full half-way through the second line",
         {{Call::Write, "", ENOSPC, 2, 2, 10}},
         "Disk full",
         first},
        {"a failure told only at the close", {{Call::Close, "", EDQUOT}}, "Disk full", all},
        {"the write's error, not the close's",
         {{Call::Write, "", EIO, 1, 1, 5}, {Call::Close, "", ENOSPC}},
         "I/O error 5",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.Write("list.csv", "older list");
        FakeFiles files;
        for (const FakeFiles::Fault& fault : c.faults) files.Fail(fault);
        ctx.fs = &files;
        EXPECT_EQ(ExportFlaggedList(ctx, path, 1), path + ": " + c.error);
        EXPECT_EQ(ReadAll(path), c.kept);
        EXPECT_EQ(files.OpenNow(), 0);
    }
}

}  // namespace
}  // namespace vellum
