// Row comparison, the quicksort's exact order for ties, captions and the header-click cycle.
#include <gtest/gtest.h>

#include <random>

#include "filelist/list_context.h"
#include "tests/support/reference_sort.h"
#include "tests/support/rows.h"

namespace vellum {
namespace {

using test::Row;

using test::ReferenceSort;

// Rows tell each other apart by crc16, which no key below compares.
FileEntry Tagged(std::uint16_t tag, std::int64_t size, std::uint16_t xsum = 0) {
    FileEntry e = Row("p", EntryStatus::OKAY, size);
    e.crc16 = tag;
    e.xsum = xsum;
    return e;
}

std::vector<std::uint16_t> Tags(const ListContext& ctx) {
    std::vector<std::uint16_t> tags;
    for (int i = 1; i < ctx.state.RowCount; ++i) tags.push_back(ctx.table[i].crc16);
    return tags;
}

TEST(SortRows, TiedRowsEndInTheQuicksortsOwnOrder) {
    for (int n : {3, 4}) {
        ListContext ctx;
        SizeFileTable(ctx);
        for (int k = 0; k < n; ++k) (void)AppendRow(ctx, Tagged(static_cast<std::uint16_t>(k), 7));
        ctx.sort = SortState{.PrimaryColumn = kColumnSize, .SecondaryColumn = kColumnNone};
        SortRows(ctx, 1, n);
        // Worked by hand from the algorithm: three ties reverse, four come out C D A B.
        const auto expected =
            n == 3 ? std::vector<std::uint16_t>{2, 1, 0} : std::vector<std::uint16_t>{2, 3, 0, 1};
        EXPECT_EQ(Tags(ctx), expected);
    }
}

TEST(SortRows, MatchesTheReferenceOnRandomListsWithManyTies) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(rng() % 300);
        ListContext ctx;
        SizeFileTable(ctx);
        std::vector<FileEntry> ref(1);
        for (int k = 0; k < n; ++k) {
            const FileEntry e = Tagged(static_cast<std::uint16_t>(k), rng() % 5, rng() % 3);
            (void)AppendRow(ctx, e);
            ref.push_back(e);
        }
        ctx.sort = SortState{.PrimaryColumn = kColumnSize,
                             .SecondaryColumn = kColumnXsum,
                             .PrimaryDescending = (round % 2) == 1,
                             .SecondaryDescending = (round % 3) == 1};
        SortRows(ctx, 1, n);
        ReferenceSort(ref, 1, n, ctx.sort);
        for (int i = 1; i <= n; ++i) ASSERT_EQ(ctx.table[i].crc16, ref[i].crc16) << round;
    }
}

// Wherever the sort takes the selected file, the selection goes with it; a selection outside
// the rows sorted stays where it is.
TEST(SortRows, TheSelectedRowFollowsItsFile) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 50; ++round) {
        const int n = 2 + static_cast<int>(rng() % 40);
        ListContext ctx;
        SizeFileTable(ctx);
        for (int k = 0; k < n; ++k)
            (void)AppendRow(ctx, Tagged(static_cast<std::uint16_t>(k), rng() % 4));
        ctx.sort = SortState{.PrimaryColumn = kColumnSize, .SecondaryColumn = kColumnNone};
        const std::int32_t selected = 1 + static_cast<std::int32_t>(rng() % n);
        ctx.state.SelectedRow = selected;
        const std::uint16_t tag = ctx.table[selected].crc16;
        const bool inside = selected > 1;
        SortRows(ctx, 2, n);
        if (inside)
            EXPECT_EQ(ctx.table[ctx.state.SelectedRow].crc16, tag);
        else
            EXPECT_EQ(ctx.state.SelectedRow, selected);
    }
}

TEST(SortRows, LeavesRowsOutsideTheRangeAndEmptyRangesAlone) {
    ListContext ctx;
    SizeFileTable(ctx);
    for (std::uint16_t k = 0; k < 5; ++k) (void)AppendRow(ctx, Tagged(k, 10 - k));
    ctx.sort = SortState{.PrimaryColumn = kColumnSize, .SecondaryColumn = kColumnNone};
    SortRows(ctx, 2, 4);
    EXPECT_EQ(Tags(ctx), (std::vector<std::uint16_t>{0, 3, 2, 1, 4}));
    SortRows(ctx, 1, 0);
    EXPECT_EQ(Tags(ctx), (std::vector<std::uint16_t>{0, 3, 2, 1, 4}));
}

TEST(CompareEntries, OrdersEachColumnAsItsTypeDoes) {
    FileEntry a = Row("/x/Apple");
    FileEntry b = Row("/x/apple");
    EXPECT_EQ(CompareEntries(a, b, kColumnFilename, false, false), 0);  // case folded
    a.path.assign("/x/_under");
    b.path.assign("/x/zebra");
    EXPECT_GT(CompareEntries(a, b, kColumnFilename, false, false), 0);  // '_' after letters
    a.path.assign("/x/ab");
    b.path.assign("/x/abc");
    EXPECT_LT(CompareEntries(a, b, kColumnFilename, false, false), 0);  // a prefix first
    a.path.assign("/zz/name");
    b.path.assign("/aa/other");
    EXPECT_LT(CompareEntries(a, b, kColumnFilename, false, true), 0);  // file-name part only
    a.path.assign("/x/\xe9");
    b.path.assign("/x/\x7f");
    EXPECT_GT(CompareEntries(a, b, kColumnFilename, false, false), 0);  // bytes unsigned

    a.size = -1;
    b.size = 0;
    EXPECT_LT(CompareEntries(a, b, kColumnSize, false, false), 0);
    EXPECT_GT(CompareEntries(a, b, kColumnSize, true, false), 0);
    a.crc32 = 0x80000000;
    b.crc32 = 0x7FFFFFFF;
    EXPECT_GT(CompareEntries(a, b, kColumnCrc32, false, false), 0);
    a.md5.bytes[0] = 0x80;
    b.md5.bytes[0] = 0x7F;
    EXPECT_GT(CompareEntries(a, b, kColumnMd5, false, false), 0);
    a.status = EntryStatus::MARKER;
    b.status = EntryStatus::DELETED;
    EXPECT_GT(CompareEntries(a, b, kColumnStatus, false, false), 0);
    EXPECT_EQ(CompareEntries(a, b, kColumnNone, false, false), 0);
    EXPECT_EQ(CompareEntries(a, b, 7, true, false), 0);
}

TEST(HeaderCaption, MarksNameModeAndBothKeys) {
    SortState s;  // Filename ascending on whole paths, as both keys
    EXPECT_EQ(HeaderCaption("Filename", 0, s), "Filename (path\\file) v");
    s.PrimaryColumn = kColumnSize;
    s.PrimaryDescending = true;
    EXPECT_EQ(HeaderCaption("Size", 1, s), "Size ^");
    EXPECT_EQ(HeaderCaption("Filename", 0, s), "Filename (path\\file) +");
    s.FileNameOnly = true;
    EXPECT_EQ(HeaderCaption("Filename", 0, s), "Filename (file) +");
    EXPECT_EQ(HeaderCaption("md5", 5, s), "md5");
}

class HeaderClick : public ::testing::Test {
  protected:
    void SetUp() override { SizeFileTable(ctx); }
    ListContext ctx;
    test::CountingPass pass{ctx};
};

TEST_F(HeaderClick, NewColumnStartsDescendingWithTheOldKeySecond) {
    test::Fill(ctx, {Tagged(0, 5), Tagged(1, 9), Tagged(2, 1)});
    SortByHeaderClick(ctx, kColumnSize, 0);
    EXPECT_EQ(Tags(ctx), (std::vector<std::uint16_t>{1, 0, 2}));
    EXPECT_EQ(ctx.sort.SecondaryColumn, kColumnFilename);
    EXPECT_TRUE(ctx.sort.SecondaryDescending);
    EXPECT_EQ(pass.count, 1);

    SortByHeaderClick(ctx, kColumnSize, 0);  // again: smallest first, second key untouched
    EXPECT_EQ(Tags(ctx), (std::vector<std::uint16_t>{2, 0, 1}));
    EXPECT_FALSE(ctx.sort.PrimaryDescending);
    EXPECT_TRUE(ctx.sort.SecondaryDescending);

    SortByHeaderClick(ctx, kColumnCrc32, 0);
    SortByHeaderClick(ctx, kColumnMd5, 0);
    EXPECT_EQ(ctx.sort.PrimaryColumn, kColumnMd5);
    EXPECT_EQ(ctx.sort.SecondaryColumn, kColumnCrc32);
    EXPECT_EQ(HeaderCaption("md5", 5, ctx.sort), "md5 ^");
    EXPECT_EQ(HeaderCaption("crc32", 3, ctx.sort), "crc32 +");
}

TEST_F(HeaderClick, FilenameCyclesThroughBothNameModes) {
    SortByHeaderClick(ctx, kColumnSize, 0);
    struct Step {
        bool descending;
        bool nameOnly;
    } const cycle[] = {{true, false}, {false, true}, {true, true}, {false, false}, {true, false}};
    for (const Step& step : cycle) {
        SortByHeaderClick(ctx, kColumnFilename, 0);
        EXPECT_EQ(ctx.sort.PrimaryDescending, step.descending);
        EXPECT_EQ(ctx.sort.FileNameOnly, step.nameOnly);
    }
}

TEST_F(HeaderClick, IgnoredDuringAPassAndOutsideTheStrip) {
    const SortState before = ctx.sort;
    ctx.state.Updating = true;
    SortByHeaderClick(ctx, kColumnSize, 0);
    ctx.state.Updating = false;
    SortByHeaderClick(ctx, ColumnOfDigest(DigestKind::Sha256), 0);  // a digest not shown
    SortByHeaderClick(ctx, kSortColumnCount, 0);
    SortByHeaderClick(ctx, kColumnSize, 1);
    EXPECT_EQ(ctx.sort.PrimaryColumn, before.PrimaryColumn);
    EXPECT_EQ(ctx.sort.PrimaryDescending, before.PrimaryDescending);
    EXPECT_EQ(pass.count, 0);
}

TEST(InPathOrder, RestoresTheUsersOrderAndKeepsAddedRowsLast) {
    ListContext ctx;
    SizeFileTable(ctx);
    test::Fill(ctx, {Row("/c", EntryStatus::OKAY, 1), Row("/a", EntryStatus::OKAY, 3),
                     Row("/b", EntryStatus::OKAY, 2)});
    ctx.sort = SortState{
        .PrimaryColumn = kColumnSize, .SecondaryColumn = kColumnNone, .PrimaryDescending = true};
    std::vector<std::string> seenDuringAdd;
    InPathOrder(ctx, [&] {
        seenDuringAdd = test::Paths(ctx);
        (void)AppendRow(ctx, Row("/0", EntryStatus::WAITING, 99));
    });
    EXPECT_EQ(seenDuringAdd, (std::vector<std::string>{"/a", "/b", "/c"}));
    EXPECT_EQ(test::Paths(ctx), (std::vector<std::string>{"/a", "/b", "/c", "/0"}));
    EXPECT_EQ(ctx.sort.PrimaryColumn, kColumnSize);
    EXPECT_TRUE(ctx.sort.PrimaryDescending);
}

}  // namespace
}  // namespace vellum
