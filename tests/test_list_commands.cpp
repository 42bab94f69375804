// The flag, marker and removal commands of the list's menu.
#include <gtest/gtest.h>
#include <unistd.h>

#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
using test::Paths;
using test::Row;
using test::Statuses;

class Commands : public ::testing::Test {
  protected:
    void SetUp() override { SizeFileTable(ctx); }
    void Given(const std::vector<S>& statuses) {
        for (std::size_t k = 0; k < statuses.size(); ++k)
            (void)AppendRow(ctx, Row("/f" + std::to_string(k), statuses[k], 10));
    }
    ListContext ctx;
    test::CountingPass pass{ctx};
};

TEST_F(Commands, FlagAllNoneAndInvertChangeOnlyOkayAndFlaggedRows) {
    // The first two rows take part; every other status stays as it is.
    auto with = [](S first, S second) {
        return std::vector<S>{first,      second,     S::WAITING, S::RECHECK,
                              S::CALCING, S::INVALID, S::DELETED, S::MARKER};
    };
    Given(with(S::OKAY, S::FLAGGED));
    FlagAll(ctx);
    EXPECT_EQ(Statuses(ctx), with(S::FLAGGED, S::FLAGGED));
    FlagNone(ctx);
    EXPECT_EQ(Statuses(ctx), with(S::OKAY, S::OKAY));
    ctx.table[2].status = S::FLAGGED;
    InvertFlags(ctx);
    EXPECT_EQ(Statuses(ctx), with(S::FLAGGED, S::OKAY));
    InvertFlags(ctx);
    EXPECT_EQ(Statuses(ctx), with(S::OKAY, S::FLAGGED));
    EXPECT_EQ(pass.count, 4);
}

TEST_F(Commands, RemoveFlaggedClosesUpInOrderAndEmptiesTheRest) {
    Given({S::FLAGGED, S::OKAY, S::FLAGGED, S::OKAY});
    RemoveFlagged(ctx);
    EXPECT_EQ(Paths(ctx), (std::vector<std::string>{"/f1", "/f3"}));
    EXPECT_EQ(ctx.state.RowCount, 3);
    EXPECT_EQ(ctx.table[3].status, S::EMPTY);
    EXPECT_TRUE(ctx.table[4].path.empty());

    FlagAll(ctx);
    RemoveFlagged(ctx);
    EXPECT_EQ(ctx.state.RowCount, 1);

    Given({S::DELETED, S::FLAGGED});
    RemoveDeleted(ctx);
    EXPECT_EQ(Statuses(ctx), (std::vector<S>{S::FLAGGED}));
}

TEST_F(Commands, RemovalsDoNothingDuringAPass) {
    Given({S::FLAGGED, S::FLAGGED});
    ctx.state.Updating = true;
    RemoveFlagged(ctx);
    RemoveAdjacentDuplicates(ctx);
    EXPECT_EQ(ctx.state.RowCount, 3);
    EXPECT_EQ(pass.count, 0);
}

TEST_F(Commands, RemoveAdjacentDuplicatesComparesEachRowWithTheOneAboveAsItStood) {
    test::Fill(ctx, {Row("P"), Row("P", S::FLAGGED), Row("Q"), Row("P"), Row("P"), Row("p")});
    RemoveAdjacentDuplicates(ctx);
    EXPECT_EQ(Paths(ctx), (std::vector<std::string>{"P", "Q", "P", "p"}));
    EXPECT_EQ(ctx.table[1].status, S::OKAY);  // the uppermost of a run stays

    ListContext one;
    SizeFileTable(one);
    test::Fill(one, {Row("only")});
    RemoveAdjacentDuplicates(one);
    EXPECT_EQ(Paths(one), (std::vector<std::string>{"only"}));
    ListContext none;
    SizeFileTable(none);
    RemoveAdjacentDuplicates(none);
    EXPECT_EQ(none.state.RowCount, 1);
}

FileEntry Valued(const std::string& path, S status, std::int64_t size = 3) {
    FileEntry e = Row(path, status, size);
    e.crc16 = 0x514A;
    e.crc32 = 0x352441C2;
    e.xsum = 0x0126;
    e.md5.bytes[0] = 0x90;
    return e;
}

TEST_F(Commands, FlagIdenticalsFlagsWholeRunsOfCalculatedNeighbours) {
    test::Fill(ctx, {Valued("/a", S::OKAY), Valued("/b", S::MARKER), Valued("/c", S::DELETED),
                     Valued("/d", S::OKAY, -1), Valued("/e", S::OKAY)});
    FlagIdenticals(ctx);
    // The size of -1 breaks the run: equal digests with different sizes are not identical.
    EXPECT_EQ(Statuses(ctx),
              (std::vector<S>{S::FLAGGED, S::FLAGGED, S::FLAGGED, S::OKAY, S::OKAY}));
    EXPECT_EQ(pass.count, 1);
}

TEST_F(Commands, FlagIdenticalsNeverPairsRowsWhoseValuesWereNotCalculated) {
    for (S other : {S::WAITING, S::RECHECK, S::CALCING, S::INVALID, S::EMPTY}) {
        ListContext c;
        SizeFileTable(c);
        test::Fill(c, {Valued("/a", S::OKAY), Valued("/b", other)});
        FlagIdenticals(c);
        EXPECT_EQ(Statuses(c), (std::vector<S>{S::OKAY, other})) << int(other);
    }
}

TEST_F(Commands, FlagIdenticalsNeverPairsAFileWithItself) {
    test::TempDir dir;
    const std::string file = dir.Write("one", "abc");
    const std::string hard = dir / "hard";
    const std::string soft = dir / "soft";
    ASSERT_EQ(link(file.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink(file.c_str(), soft.c_str()), 0);
    const std::string copy = dir.Write("copy", "abc");
    test::Fill(ctx, {Valued(file, S::OKAY), Valued(file, S::OKAY), Valued(hard, S::OKAY),
                     Valued(soft, S::OKAY)});
    FlagIdenticals(ctx);
    EXPECT_EQ(Statuses(ctx), (std::vector<S>(4, S::OKAY)));

    (void)AppendRow(ctx, Valued(copy, S::OKAY));  // a real second copy pairs with its neighbour
    FlagIdenticals(ctx);
    EXPECT_EQ(Statuses(ctx), (std::vector<S>{S::OKAY, S::OKAY, S::OKAY, S::FLAGGED, S::FLAGGED}));
}

// Enough runs that their files are looked up on two threads: each pair is told by its own
// files, whichever thread looked them up.
TEST_F(Commands, FlagIdenticalsTellsEveryRunByItsOwnFiles) {
    test::TempDir dir;
    std::vector<S> expected;
    for (int run = 0; run < 90; ++run) {
        const std::string first = dir.Write("f" + std::to_string(run), "x");
        std::string second = dir / ("g" + std::to_string(run));
        const bool linked = run % 3 == 0;
        if (linked)
            ASSERT_EQ(link(first.c_str(), second.c_str()), 0);
        else
            second = dir.Write("g" + std::to_string(run), "x");
        for (const std::string& path : {first, second}) {
            FileEntry e = Valued(path, S::OKAY);
            e.md5.bytes[1] = static_cast<std::uint8_t>(run);
            (void)AppendRow(ctx, e);
            expected.push_back(linked ? S::OKAY : S::FLAGGED);
        }
    }
    FlagIdenticals(ctx);
    EXPECT_EQ(Statuses(ctx), expected);
}

// Three copies of one content, the first also under a hard link and a symbolic link, and a
// path whose file is gone; every row holds the same values.
TEST(FlagIdenticalsExceptFirst, KeepsTheFirstCopyInPlaceAndFlagsTheOthers) {
    test::TempDir dir;
    const std::string x = dir.Write("x", "abc");
    const std::string y = dir.Write("y", "abc");
    const std::string z = dir.Write("z", "abc");
    const std::string hard = dir / "x-hard";
    const std::string soft = dir / "x-soft";
    ASSERT_EQ(link(x.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink(x.c_str(), soft.c_str()), 0);
    const std::string gone = dir / "gone";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, S>> rows;
        std::vector<S> want;
    };
    const Case cases[] = {
        {"a run of three",
         {{x, S::OKAY}, {y, S::OKAY}, {z, S::FLAGGED}},
         {S::OKAY, S::FLAGGED, S::FLAGGED}},
        {"a flagged first is unflagged", {{x, S::FLAGGED}, {y, S::FLAGGED}}, {S::OKAY, S::FLAGGED}},
        {"a copy in the trash is not the one kept",
         {{x, S::DELETED}, {y, S::OKAY}, {z, S::MARKER}},
         {S::DELETED, S::OKAY, S::FLAGGED}},
        {"a file gone meanwhile is not the one kept",
         {{gone, S::OKAY}, {y, S::OKAY}},
         {S::FLAGGED, S::OKAY}},
        {"other names of the kept file are kept too",
         {{soft, S::OKAY}, {x, S::FLAGGED}, {hard, S::OKAY}, {y, S::OKAY}},
         {S::OKAY, S::OKAY, S::OKAY, S::FLAGGED}},
        {"a marker kept stays a marker", {{x, S::MARKER}, {y, S::OKAY}}, {S::MARKER, S::FLAGGED}},
        {"a row not calculated parts two runs",
         {{x, S::OKAY}, {y, S::RECHECK}, {z, S::OKAY}},
         {S::OKAY, S::RECHECK, S::OKAY}},
    };
    for (const Case& c : cases) {
        ListContext ctx;
        test::CountingPass pass(ctx);
        for (const auto& [path, status] : c.rows) (void)AppendRow(ctx, Valued(path, status));
        FlagIdenticalsExceptFirst(ctx);
        EXPECT_EQ(Statuses(ctx), c.want) << c.what;
        EXPECT_EQ(pass.count, 1) << c.what;
    }
}

TEST_F(Commands, FlagBetweenMarkersNeedsExactlyTwo) {
    Given({S::OKAY, S::OKAY, S::MARKER, S::WAITING, S::INVALID, S::DELETED, S::MARKER, S::OKAY});
    FlagBetweenMarkers(ctx);
    EXPECT_EQ(Statuses(ctx), (std::vector<S>{S::OKAY, S::OKAY, S::FLAGGED, S::FLAGGED, S::FLAGGED,
                                             S::FLAGGED, S::FLAGGED, S::OKAY}));
    EXPECT_EQ(ctx.state.MessageTicks, 0);

    ctx.table[1].status = S::MARKER;
    ctx.table[2].status = S::MARKER;
    ctx.table[8].status = S::MARKER;
    FlagBetweenMarkers(ctx);
    EXPECT_EQ(ctx.table[3].status, S::FLAGGED);
    EXPECT_EQ(ctx.table[1].status, S::MARKER);
    EXPECT_EQ(ctx.message.StatusMessage, "Exactly 2 markers must be set");
    EXPECT_EQ(ctx.state.MessageTicks, 5);

    ctx.state.MessageTicks = 0;
    ctx.table[1].status = S::OKAY;
    ctx.table[2].status = S::OKAY;
    FlagBetweenMarkers(ctx);  // one marker: nothing, no message
    EXPECT_EQ(ctx.table[8].status, S::MARKER);
    EXPECT_EQ(ctx.state.MessageTicks, 0);
    EXPECT_EQ(pass.count, 3);
}

TEST_F(Commands, StatusClickFlagsAndUnflagsWithTheTotals) {
    Given({S::OKAY, S::WAITING});
    EXPECT_TRUE(StatusClick(ctx, 1));
    EXPECT_EQ(ctx.table[1].status, S::FLAGGED);
    EXPECT_EQ(ctx.state.FlaggedBytes, 10);
    EXPECT_EQ(ctx.state.FlaggedCount, 1);
    EXPECT_TRUE(StatusClick(ctx, 1));
    EXPECT_EQ(ctx.table[1].status, S::OKAY);
    EXPECT_EQ(ctx.state.FlaggedBytes, 0);
    EXPECT_EQ(ctx.state.FlaggedCount, 0);
    EXPECT_TRUE(StatusClick(ctx, 2));
    EXPECT_EQ(ctx.table[2].status, S::WAITING);
    EXPECT_FALSE(StatusClick(ctx, 3));
    ctx.state.Updating = true;
    EXPECT_FALSE(StatusClick(ctx, 1));
    EXPECT_EQ(ctx.table[1].status, S::OKAY);
    EXPECT_EQ(pass.count, 0);  // the selection handler runs the pass, not the click
}

TEST_F(Commands, MarkerToggleGoesBackToOkayAndAlwaysAsksForAPass) {
    Given({S::FLAGGED, S::WAITING});
    ToggleMarker(ctx, 1);
    EXPECT_EQ(ctx.table[1].status, S::MARKER);
    ToggleMarker(ctx, 1);
    EXPECT_EQ(ctx.table[1].status, S::OKAY);
    ToggleMarker(ctx, 2);
    EXPECT_EQ(ctx.table[2].status, S::WAITING);
    EXPECT_EQ(pass.count, 3);
    ToggleMarker(ctx, 3);  // beyond the last row: nothing at all
    EXPECT_EQ(pass.count, 3);
}

}  // namespace
}  // namespace vellum
