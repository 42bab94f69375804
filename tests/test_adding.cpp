// Adding files: single files, the dialog's paths with their counters, the folder walk and the
// start-up list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "filelist/adding.h"
#include "filelist/list_context.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using test::Paths;
using test::Row;

struct RecordingProgress final : AddProgress {
    std::vector<AddCounters> updates;
    int shown = 0;
    int hidden = 0;
    int resets = 0;
    void Show() override { ++shown; }
    void Update(const AddCounters& c) override { updates.push_back(c); }
    void Hide() override { ++hidden; }
    void ResetAddedLabel() override { ++resets; }
};

class Adding : public ::testing::Test {
  protected:
    void SetUp() override { SizeFileTable(ctx); }
    ListContext ctx;
    test::CountingPass pass{ctx};
    test::TempDir dir;
    RecordingProgress progress;
};

TEST_F(Adding, AddFileTakesTheSizeAndAFailureAddsNothing) {
    const std::string a = dir.Write("a.bin", std::string(1234, 'x'));
    EXPECT_TRUE(AddFile(ctx, a));
    EXPECT_EQ(ctx.table[1].size, 1234);
    EXPECT_EQ(ctx.table[1].status, EntryStatus::WAITING);

    EXPECT_FALSE(AddFile(ctx, dir / "missing"));
    EXPECT_EQ(ctx.state.RowCount, 2);
    EXPECT_EQ(ctx.message.StatusMessage, dir / "missing" + " failed");
    EXPECT_EQ(ctx.message.StatusStyle, "Bold");
    EXPECT_EQ(ctx.message.StatusColour, "Red");
    EXPECT_EQ(ctx.state.MessageTicks, 5);
}

TEST_F(Adding, ChosenPathsRecheckListedFilesAndCountFolders) {
    const std::string a = dir.Write("a", "1");
    const std::string b = dir.Write("b", "22");
    test::Fill(ctx, {Row(a, EntryStatus::OKAY)});
    const std::vector<std::string> chosen = {a, dir.path(), dir / "gone", b};
    AddChosenPaths(ctx, chosen, progress);
    EXPECT_EQ(Paths(ctx), (std::vector<std::string>{a, b}));
    EXPECT_EQ(ctx.table[1].status, EntryStatus::RECHECK);
    EXPECT_TRUE(progress.updates.empty());  // fewer than nine paths: never written
}

TEST_F(Adding, ProgressIsWrittenAfterEveryNinthPathOnward) {
    std::vector<std::string> chosen;
    for (int k = 0; k < 19; ++k) chosen.push_back(dir.Write("f" + std::to_string(k), "x"));
    chosen.push_back(dir.path());
    AddChosenPaths(ctx, chosen, progress);
    ASSERT_EQ(progress.updates.size(), 2u);  // after the 9th and the 19th
    EXPECT_EQ(progress.updates[0].AddedCount, 9);
    EXPECT_EQ(progress.updates[0].FolderCount, 1);  // starts at one
    EXPECT_EQ(progress.updates[1].AddedCount, 19);
}

TEST_F(Adding, FolderWalkTakesFilesBeforeSubfoldersInByteOrder) {
    dir.Write("top/b.txt", "b");
    dir.Write("top/A.TXT", "A");
    dir.Write("top/.hidden.txt", "h");
    dir.Write("top/skip.bin", "s");
    dir.Write("top/sub2/z.txt", "z");
    dir.Write("top/sub1/deeper/y.txt", "y");
    dir.MakeDir("top/empty");
    const std::string top = dir / "top";
    AddCounters counters;
    ScanFolder(ctx, top, "*.txt", counters, progress);
    EXPECT_EQ(Paths(ctx),
              (std::vector<std::string>{top + "/.hidden.txt", top + "/A.TXT", top + "/b.txt",
                                        top + "/sub1/deeper/y.txt", top + "/sub2/z.txt"}));
    EXPECT_EQ(counters.AddedCount, 5);
    EXPECT_EQ(counters.FolderCount, 4);  // subfolders entered, not the base
    EXPECT_EQ(counters.SkippedCount, 0);

    ScanFolder(ctx, top, "*.txt", counters, progress);  // all listed now
    EXPECT_EQ(counters.SkippedCount, 5);
    EXPECT_EQ(ctx.state.RowCount, 6);
    for (EntryStatus s : test::Statuses(ctx)) EXPECT_EQ(s, EntryStatus::RECHECK);
}

// Folders big enough that their sizes are taken on another thread while the next folder is
// listed: every row in walk order with its own file's size, the rows listed before rechecked.
TEST_F(Adding, BigFoldersGiveEachRowItsOwnSizeInWalkOrder) {
    std::vector<std::string> expected;
    std::vector<std::int64_t> sizes;
    const auto write = [&](const std::string& folder, int count) {
        for (int k = 0; k < count; ++k) {
            char name[16];
            std::snprintf(name, sizeof name, "/f%03d", k);
            const std::size_t size = expected.size() * 3 % 1000;
            expected.push_back(dir.Write(folder + name, std::string(size, 'x')));
            sizes.push_back(static_cast<std::int64_t>(size));
        }
    };
    write("top", 70);
    write("top/a", 3);
    write("top/a/deep", 150);
    write("top/b", 100);
    test::Fill(ctx,
               {Row(expected[5], EntryStatus::OKAY, 7), Row(expected[200], EntryStatus::OKAY, 9)});
    AddCounters counters;
    ScanFolder(ctx, dir / "top", "*", counters, progress);
    EXPECT_EQ(counters.SkippedCount, 2);
    EXPECT_EQ(counters.FolderCount, 3);
    std::vector<std::string> walked = Paths(ctx);
    walked.erase(walked.begin(), walked.begin() + 2);
    std::vector<std::string> fresh = expected;
    fresh.erase(fresh.begin() + 200);
    fresh.erase(fresh.begin() + 5);
    EXPECT_EQ(walked, fresh);
    for (std::int32_t row = 3; row < ctx.state.RowCount; ++row) {
        const auto at = std::find(expected.begin(), expected.end(), ctx.table[row].path.view());
        EXPECT_EQ(ctx.table[row].size, sizes[static_cast<std::size_t>(at - expected.begin())]);
    }
    EXPECT_EQ(ctx.table[1].status, EntryStatus::RECHECK);
    EXPECT_EQ(ctx.table[2].status, EntryStatus::RECHECK);
}

TEST_F(Adding, AddFolderKeepsTheUsersOrderAndAppendsInWalkOrder) {
    dir.Write("d/2", "x");
    dir.Write("d/1", "yy");
    test::Fill(ctx, {Row("/q", EntryStatus::OKAY, 1), Row("/p", EntryStatus::OKAY, 2)});
    ctx.sort = SortState{
        .PrimaryColumn = kColumnSize, .SecondaryColumn = kColumnNone, .PrimaryDescending = true};
    SortRows(ctx, 1, 2);
    AddFolder(ctx, dir / "d", "", progress);  // empty mask means *.*
    EXPECT_EQ(Paths(ctx), (std::vector<std::string>{"/p", "/q", dir / "d/1", dir / "d/2"}));
    EXPECT_EQ(progress.resets, 1);
    EXPECT_EQ(progress.hidden, 1);
    EXPECT_EQ(pass.count, 1);
}

TEST_F(Adding, AddFilesOldifiesAndRunsItsPassEvenWhenCancelled) {
    FileEntry fresh = Row("/old");
    fresh.band = EntryBand::NEW;
    test::Fill(ctx, {fresh});
    std::string startFolder = "unset";
    AddFiles(
        ctx,
        [&](const std::string& folder) -> std::optional<std::vector<std::string>> {
            startFolder = folder;
            return std::nullopt;
        },
        progress);
    EXPECT_EQ(startFolder, "");
    EXPECT_EQ(ctx.table[1].band, EntryBand::OLD);
    EXPECT_EQ(progress.shown, 1);
    EXPECT_EQ(progress.hidden, 1);
    EXPECT_EQ(pass.count, 1);
    EXPECT_EQ(ctx.sort.PrimaryColumn, kColumnFilename);  // restored after ChooseAndAddFiles's -1
}

TEST_F(Adding, LongPathsAreKeptWholeAndFoundAgain) {
    std::string folders;
    while (dir.path().size() + folders.size() < 3000) folders += std::string(200, 'd') + "/";
    const std::string file = dir.Write(folders + "f", "x");
    EXPECT_TRUE(AddFile(ctx, file));
    EXPECT_EQ(ctx.table[1].path.view(), file);
    AddChosenPaths(ctx, {file}, progress);
    EXPECT_EQ(ctx.state.RowCount, 2);  // met again: its row is taken up again, no second row
    EXPECT_EQ(ctx.table[1].status, EntryStatus::RECHECK);
}

TEST_F(Adding, StartupListAddsPathsAsTheyStand) {
    const std::string a = dir.Write("a", "x");
    int dialogs = 0;
    const ChooseFiles choose = [&](const std::string&) {
        ++dialogs;
        return std::optional<std::vector<std::string>>();
    };
    AddStartupPaths(ctx, {a, a, "-noautocheck", dir / "missing"}, choose, progress);
    EXPECT_EQ(Paths(ctx), (std::vector<std::string>{a, a}));
    EXPECT_EQ(ctx.table[1].size, 0);  // not opened: the pass measures it
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(pass.count, 1);
}

TEST_F(Adding, StartupListOpensTheDialogWhenItNamesNothingToList) {
    std::vector<std::string> starts;
    const ChooseFiles choose = [&](const std::string& folder) {
        starts.push_back(folder);
        return std::optional<std::vector<std::string>>();
    };
    AddStartupPaths(ctx, {}, choose, progress);
    AddStartupPaths(ctx, {"-crc16a"}, choose, progress);  // an option word opens nothing
    AddStartupPaths(ctx, {dir.path()}, choose, progress);
    EXPECT_EQ(starts, (std::vector<std::string>{"", dir.path()}));
    EXPECT_EQ(ctx.sort.PrimaryColumn, kColumnNone);
}

TEST(FindPath, IndexGivesTheRowTheScanWouldGive) {
    std::mt19937 rng(7);
    ListContext ctx;
    SizeFileTable(ctx);
    for (int k = 0; k < 3000; ++k) (void)AppendRow(ctx, Row("/p" + std::to_string(rng() % 1000)));
    std::vector<std::int32_t> scanned;
    for (int k = 0; k < 1100; ++k) scanned.push_back(FindPath(ctx, "/p" + std::to_string(k)));
    AddingScope scope(ctx);
    for (int k = 0; k < 1100; ++k)
        ASSERT_EQ(FindPath(ctx, "/p" + std::to_string(k)), scanned[k]) << k;
    // Rows appended while the scope is open are found too, and the first row still wins.
    const std::int32_t row = AppendRow(ctx, Row("/new"));
    ctx.paths.Note(ctx.table, row);
    EXPECT_EQ(FindPath(ctx, "/new"), row);
}

}  // namespace
}  // namespace vellum
