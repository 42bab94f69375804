// The table's capacity rule, growth, emptying and Clear; when two rows' values are equal.
#include <gtest/gtest.h>

#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "filelist/list_context.h"
#include "tests/support/digest_of.h"
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

// Rows are kept in blocks: a row written far into the table, and rows cut off by a smaller
// length, must read as never written once the table reaches them again, and a row keeps its
// place while the table grows past it.
TEST(FileTable, RowsPastALengthCutShortReadEmptyWhenTheTableGrowsAgain) {
    FileTable table;
    table.SetLength(5000);
    table[1] = Row("near");
    const FileEntry* near = &table[1];
    table[4999] = Row("far");
    table[2010] = Row("cut");
    table[3000] = Row("middle");
    EXPECT_EQ(&table[1], near);
    EXPECT_EQ(table[4999].path.view(), "far");

    table.SetLength(2000);
    EXPECT_THROW((void)table[2000], std::out_of_range);
    table.SetLength(5000);
    EXPECT_EQ(table[1].path.view(), "near");
    for (const std::int32_t cut : {2000, 2010, 3000, 4999}) {
        EXPECT_EQ(table[cut].status, EntryStatus::EMPTY) << cut;
        EXPECT_TRUE(table[cut].path.empty()) << cut;
    }
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
    MarkRowsOld(ctx);
    EXPECT_EQ(ctx.table[1].band, EntryBand::OLD);
    EXPECT_EQ(ctx.table[2].band, EntryBand::OLD);
}

// Paths of every length, at the edge where they leave the row, survive every way a row is
// copied, moved or reassigned, from another path or from a view of their own bytes.
TEST(PathText, KeepsEveryLengthAndByteThroughCopiesMovesAndSelfViews) {
    const std::size_t edge = PathText::kInlinePathBytes;
    for (const std::size_t length : {std::size_t{0}, edge - 1, edge, edge + 1, kMaxPathBytes}) {
        SCOPED_TRACE(length);
        std::string path(length, 'p');
        if (length > 0) path.back() = '\xff';
        PathText t(path);
        EXPECT_EQ(t.view(), path);
        PathText copy = t;
        PathText moved = std::move(copy);
        EXPECT_EQ(moved.view(), path);
        EXPECT_TRUE(copy.empty());
        t = t;
        EXPECT_EQ(t.view(), path);
        t.assign(t.view().substr(length / 2));  // a view of its own bytes
        EXPECT_EQ(t.view(), path.substr(length / 2));
        t.assign(path);
        for (const std::size_t other : {std::size_t{3}, kMaxPathBytes}) {
            PathText target(std::string(other, 'o'));
            target = t;
            EXPECT_EQ(target.view(), path);
            target = std::move(moved);
            EXPECT_EQ(target.view(), path);
            moved = target;
        }
    }
    const std::string odd("a\xff\x01/\xe9");
    EXPECT_EQ(PathText(odd).view(), odd);
}

// Digests set in any order read back, each in its place, through copies; a pass's calculated
// set replaces what a list gave.
TEST(HeldDigests, SetInAnyOrderReadBackThroughCopies) {
    FileEntry row = Row("/a");
    EXPECT_EQ(row.digests.mask(), 0);
    std::vector<DigestValue> values;
    for (const DigestInfo& info : AllDigestInfo()) {
        DigestValue v;
        v.size = static_cast<std::uint8_t>(info.bytes);
        for (std::size_t k = 0; k < info.bytes; ++k)
            v.bytes[k] = static_cast<std::uint8_t>(k * 7 + static_cast<int>(info.kind));
        values.push_back(v);
    }
    for (const DigestKind kind : {DigestKind::Blake2b, DigestKind::Sha1, DigestKind::Sha384,
                                  DigestKind::Sha224, DigestKind::Sha512, DigestKind::Sha256})
        row.digests.set(kind, values[static_cast<std::size_t>(kind)]);
    EXPECT_EQ(row.digests.mask(), kAllDigests);
    const FileEntry copy = row;
    for (const DigestInfo& info : AllDigestInfo())
        EXPECT_EQ(copy.digests.get(info.kind), values[static_cast<std::size_t>(info.kind)])
            << info.caption;
    row.digests.clear();
    EXPECT_FALSE(row.digests.holds(DigestKind::Sha256));
    EXPECT_EQ(copy.digests.mask(), kAllDigests);
}

// A list's 128-digit digest may be SHA-512 or BLAKE2b-512: either one equal verifies, none
// equal does not; digests that are not alternatives must all agree.
TEST(HeldDigests, AlternativesVerifyOnAnyMatchOthersOnEveryOne) {
    const std::string content = "abc";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(content.data()),
                                              content.size());
    FileEntry calculated = Row("/a");
    calculated.held = kHeldSize;
    for (const DigestKind kind : {DigestKind::Sha512, DigestKind::Blake2b, DigestKind::Sha256})
        calculated.digests.set(kind, test::DigestOf(kind, bytes));
    for (const DigestKind listed : {DigestKind::Sha512, DigestKind::Blake2b}) {
        FileEntry stored = Row("/a");
        stored.held = 0;
        stored.digests.set(DigestKind::Sha512, test::DigestOf(listed, bytes));
        stored.digests.set(DigestKind::Blake2b, test::DigestOf(listed, bytes));
        EXPECT_FALSE(HeldValuesEqual(stored, calculated));
        stored.digests.setAlternatives(true);
        EXPECT_TRUE(HeldValuesEqual(stored, calculated));
        stored.digests.set(DigestKind::Sha512, test::DigestOf(DigestKind::Sha256, bytes));
        stored.digests.set(DigestKind::Blake2b, test::DigestOf(DigestKind::Sha256, bytes));
        EXPECT_FALSE(HeldValuesEqual(stored, calculated));
    }
    FileEntry other = calculated;
    EXPECT_TRUE(IdenticalValues(calculated, other, MaskOf(DigestKind::Sha256)));
    other.digests.clear();
    EXPECT_TRUE(IdenticalValues(calculated, other, 0));
    EXPECT_FALSE(IdenticalValues(calculated, other, MaskOf(DigestKind::Sha256)));
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
