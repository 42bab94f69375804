// The table's capacity rule, growth, emptying and Clear; when two rows' values are equal.
#include <gtest/gtest.h>

#include <utility>

#include "filelist/list_context.h"
#include "tests/support/rows.h"

namespace vellum {
namespace {

using test::Row;

TEST(FileTable, GrowsWhenTheNextFreeRowIsItsLast) {
    ListContext ctx;
    SizeFileTable(ctx);
    for (int k = 0; k < 16383; ++k) ASSERT_NE(AppendRow(ctx, Row("f")), 0);
    // The 16383rd file makes RowCount reach the limit without growing yet.
    EXPECT_EQ(ctx.state.RowCount, 16384);
    EXPECT_EQ(ctx.state.MaxFiles, 16384);
    EXPECT_EQ(ctx.table.length(), 16385);

    EXPECT_EQ(AppendRow(ctx, Row("g")), 16384);
    EXPECT_EQ(ctx.state.MaxFiles, 32768);
    EXPECT_EQ(ctx.table.length(), 32769);
    EXPECT_EQ(ctx.table[16384].path.view(), "g");
    EXPECT_EQ(ctx.table[16383].path.view(), "f");
}

TEST(FileTable, LimitOfZeroRefusesEveryRowAndNegativeLimitsCountAsZero) {
    for (std::int64_t f : {0LL, -5LL}) {
        ListContext ctx;
        SetMaxFiles(ctx, f);
        SizeFileTable(ctx);
        EXPECT_EQ(ctx.state.MaxFiles, 0);
        EXPECT_EQ(ctx.table.length(), 1);
        EXPECT_EQ(AppendRow(ctx, Row("a")), 0);
        EXPECT_EQ(ctx.state.RowCount, 1);
    }
}

TEST(FileTable, LimitOfOneGrowsBeforeTheFirstRow) {
    ListContext ctx;
    SetMaxFiles(ctx, 1);
    SizeFileTable(ctx);
    EXPECT_EQ(AppendRow(ctx, Row("a")), 1);
    EXPECT_EQ(ctx.state.MaxFiles, 2);
    EXPECT_EQ(AppendRow(ctx, Row("b")), 2);
    EXPECT_EQ(ctx.state.MaxFiles, 4);
}

TEST(FileTable, UnusedRowsReadAsZeroFilledWhateverTheLimit) {
    ListContext ctx;
    SetMaxFiles(ctx, 2'000'000'000);  // costs nothing until rows are used
    SizeFileTable(ctx);
    const FileEntry& far = std::as_const(ctx.table)[1'999'999'999];
    EXPECT_EQ(far.status, EntryStatus::EMPTY);
    EXPECT_TRUE(far.path.empty());
}

TEST(FileTable, ClearEmptiesEveryRowAndRunsAPass) {
    ListContext ctx;
    SizeFileTable(ctx);
    test::CountingPass pass(ctx);
    FileEntry full = Row("x", EntryStatus::FLAGGED, 10);
    full.crc32 = 0xDEADBEEF;
    full.band = EntryBand::CHANGED;
    test::Fill(ctx, {full, full});
    Clear(ctx);
    EXPECT_EQ(ctx.state.RowCount, 1);
    EXPECT_EQ(pass.count, 1);
    // A file added after Clear lands in row 1 with nothing left over from the old occupant.
    ASSERT_EQ(AppendRow(ctx, Row("new", EntryStatus::WAITING)), 1);
    EXPECT_EQ(ctx.table[1].crc32, 0u);
    EXPECT_EQ(ctx.table[1].band, EntryBand::OLD);
    EXPECT_EQ(ctx.table[2].status, EntryStatus::EMPTY);
    EXPECT_TRUE(ctx.table[2].path.empty());
}

TEST(FileTable, OldifyTouchesOnlyFileRows) {
    ListContext ctx;
    SizeFileTable(ctx);
    FileEntry fresh = Row("a");
    fresh.band = EntryBand::IMPORTED;
    test::Fill(ctx, {fresh, fresh});
    Oldify(ctx);
    EXPECT_EQ(ctx.table[1].band, EntryBand::OLD);
    EXPECT_EQ(ctx.table[2].band, EntryBand::OLD);
}

TEST(PathText, StoresAtMost250BytesAndKeepsAnyByte) {
    const std::string longPath(300, 'p');
    PathText t(longPath);
    EXPECT_EQ(t.size(), 250u);
    EXPECT_EQ(t.view(), longPath.substr(0, 250));
    const std::string odd("a\xff\x01/\xe9");
    EXPECT_EQ(PathText(odd).view(), odd);
}

// Pairing asks for all five values equal; verification only for those the stored row holds.
TEST(FileEntry, EachOfTheFiveValuesCountsForPairingAndForVerificationWhenHeld) {
    const FileEntry base = Row("/a", EntryStatus::OKAY, 7);
    const std::pair<std::uint8_t, void (*)(FileEntry&)> changes[] = {
        {kHeldSize, [](FileEntry& e) { e.size = -1; }},
        {kHeldCrc16, [](FileEntry& e) { e.crc16 ^= 0x8000; }},
        {kHeldCrc32, [](FileEntry& e) { e.crc32 ^= 0x80000000u; }},
        {kHeldXsum, [](FileEntry& e) { e.xsum ^= 1; }},
        {kHeldMd5, [](FileEntry& e) { e.md5.bytes[15] ^= 1; }},
    };
    EXPECT_TRUE(FiveValuesEqual(base, base));
    for (const auto& [bit, change] : changes) {
        FileEntry other = base;
        change(other);
        EXPECT_EQ(EqualValues(base, other), kHeldAll & ~bit) << int(bit);
        EXPECT_FALSE(FiveValuesEqual(base, other)) << int(bit);
        FileEntry stored = base;
        stored.held = bit;
        EXPECT_FALSE(HeldValuesEqual(stored, other)) << int(bit);
        stored.held = kHeldAll & ~bit;
        EXPECT_TRUE(HeldValuesEqual(stored, other)) << int(bit);
    }
}

}  // namespace
}  // namespace vellum
