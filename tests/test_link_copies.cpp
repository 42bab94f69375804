// Replace Flagged with Links to Kept Copy on real files: hard links take the kept file's place
// under each copy's name, and whatever goes wrong (a copy changed since it was read, a refused
// link or rename, a file system without dedupe) leaves every path opening the bytes it had.
// Dedupe itself, which needs a file system that shares blocks, is tested on a mounted XFS image
// (tests/reliability/link_mounts_test.cpp).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "pass/link_copies.h"
#include "pass/list_pass.h"
#include "tests/support/fake_files.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
using Call = test::FakeFiles::Call;

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// The temporary names a replacement may have left in the folder.
int LeftOverNames(const std::string& folder) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".vellum-link")) ++found;
    return found;
}

// A kept file and its copies, listed in that order, calculated, and all but the first flagged.
struct Copies {
    explicit Copies(int copies, std::size_t size = 1000) : bytes(size, 'k') {
        ctx.fs = &fs;
        ctx.host = &host;
        kept = dir.Write("kept", bytes);
        paths.push_back(kept);
        for (int k = 0; k < copies; ++k)
            paths.push_back(dir.Write("copy" + std::to_string(k), bytes));
        for (const std::string& path : paths) (void)AppendRow(ctx, test::Row(path, S::WAITING, 0));
        ctx.RunPass();
        FlagIdenticalsExceptFirst(ctx);
    }
    LinkTally Replace(LinkWay way, std::function<bool(std::int32_t)> ask = {}) {
        return ReplaceFlaggedWithLinks(ctx, pass, LinkRequest{way, std::move(ask), ","});
    }

    test::TempDir dir;
    std::string bytes;
    std::string kept;
    std::vector<std::string> paths;
    ListContext ctx;
    test::FakeFiles fs;
    test::RecordingHost host;
    // Every look at the clock is a refresh later: the window's events come through before each
    // copy, as they do on a long command.
    std::int64_t now = 0;
    ListPass pass{ctx, [this] { return now += 301; }};
};

TEST(LinkCopies, HardLinksPutTheKeptFileUnderEveryCopysName) {
    Copies c(2);
    // The second copy's data has a name outside the list too: replacing it frees nothing.
    const std::string elsewhere = c.dir / "elsewhere";
    ASSERT_EQ(link(c.paths[2].c_str(), elsewhere.c_str()), 0);
    const Md5Digest md5 = c.ctx.table[2].md5;

    const LinkTally tally = c.Replace(LinkWay::Hard);
    EXPECT_EQ(tally.replaced, 2);
    EXPECT_EQ(tally.left, 0);
    EXPECT_EQ(tally.freed, 1000);
    EXPECT_EQ(c.host.posted.back(),
              "2 files replaced with links to the kept copy, 0 left, "
              "1,000 bytes freed");
    EXPECT_EQ(test::Statuses(c.ctx), std::vector<S>(3, S::OKAY));
    EXPECT_EQ(c.ctx.table[2].md5, md5);
    for (const std::string& path : c.paths) {
        EXPECT_EQ(test::ReadAll(path), c.bytes) << path;
        EXPECT_EQ(Inode(path), Inode(c.kept)) << path;
    }
    EXPECT_EQ(test::ReadAll(elsewhere), c.bytes);
    EXPECT_EQ(LeftOverNames(c.dir.path()), 0);
}

// The copy's path opens the bytes it had, it stays flagged, and no temporary name stays behind.
TEST(LinkCopies, AHardLinkThatCannotBeMadeSafelyLeavesTheCopyAsItWas) {
    struct Case {
        const char* what;
        std::function<void(Copies&)> upset;
        std::string bytesAfter;
    };
    const std::string changed(1000, 'c');
    const Case cases[] = {
        {"changed since it was read", [&](Copies& c) { c.dir.Write("copy0", changed); }, changed},
        {"link refused",
         [](Copies& c) {
             c.fs.Fail({Call::Link, c.paths[1], EMLINK});
         },
         ""},
        {"rename refused",
         [](Copies& c) {
             c.fs.Fail({Call::Rename, c.paths[1], EACCES});
         },
         ""},
        {"another file system",
         [](Copies& c) {
             c.fs.Fail({Call::Link, c.paths[1], EXDEV});
         },
         ""},
    };
    for (const Case& k : cases) {
        Copies c(1);
        k.upset(c);
        const ino_t inode = Inode(c.paths[1]);
        const LinkTally tally = c.Replace(LinkWay::Hard);
        EXPECT_EQ(tally.replaced, 0) << k.what;
        EXPECT_EQ(tally.left, 1) << k.what;
        EXPECT_EQ(tally.freed, 0) << k.what;
        EXPECT_EQ(c.ctx.table[2].status, S::FLAGGED) << k.what;
        EXPECT_EQ(Inode(c.paths[1]), inode) << k.what;
        EXPECT_EQ(test::ReadAll(c.paths[1]), k.bytesAfter.empty() ? c.bytes : k.bytesAfter)
            << k.what;
        EXPECT_EQ(test::ReadAll(c.kept), c.bytes) << k.what;
        EXPECT_EQ(LeftOverNames(c.dir.path()), 0) << k.what;
        EXPECT_EQ(c.host.posted.back(),
                  "0 files replaced with links to the kept copy, 1 left, 0 bytes freed")
            << k.what;
    }
}

TEST(LinkCopies, WhereBlocksCannotBeSharedHardLinksComeOnlyWhenAgreedTo) {
    for (const bool agreed : {false, true}) {
        Copies c(2);
        c.fs.Fail({Call::Dedupe, "", EOPNOTSUPP});
        std::vector<std::int32_t> asked;
        const LinkTally tally = c.Replace(LinkWay::Dedupe, [&](std::int32_t copies) {
            asked.push_back(copies);
            return agreed;
        });
        EXPECT_EQ(asked, std::vector<std::int32_t>{2});
        EXPECT_EQ(tally.replaced, agreed ? 2 : 0);
        EXPECT_EQ(tally.left, agreed ? 0 : 2);
        EXPECT_EQ(Inode(c.paths[2]) == Inode(c.kept), agreed);
        EXPECT_EQ(c.fs.Calls(Call::Link), agreed ? 2 : 0);
    }
    // Another file system is no place for a hard link either: nobody is asked.
    Copies c(1);
    c.fs.Fail({Call::Dedupe, "", EXDEV});
    bool asked = false;
    const LinkTally tally = c.Replace(LinkWay::Dedupe, [&](std::int32_t) { return asked = true; });
    EXPECT_FALSE(asked);
    EXPECT_EQ(tally.left, 1);
    EXPECT_EQ(test::ReadAll(c.paths[1]), c.bytes);
}

TEST(LinkCopies, OnlyFlaggedCopiesOfARunThatKeepsOneAreTouched) {
    Copies c(2);
    FlagIdenticals(c.ctx);  // every copy flagged: nothing is kept
    const std::string unrelated = c.dir.Write("unrelated", "alone");
    (void)AppendRow(c.ctx, test::Row(unrelated, S::WAITING, 0));
    c.ctx.RunPass();
    ASSERT_TRUE(StatusClick(c.ctx, 4));
    LinkTally tally = c.Replace(LinkWay::Hard);
    EXPECT_EQ(tally.replaced, 0);
    EXPECT_EQ(tally.left, 4);
    EXPECT_EQ(c.fs.Calls(Call::Link) + c.fs.Calls(Call::Dedupe), 0);

    // A flagged name of the kept file is a link to it already: replaced, nothing freed.
    FlagNone(c.ctx);
    const std::string hard = c.dir / "kept-again";
    ASSERT_EQ(link(c.kept.c_str(), hard.c_str()), 0);
    c.ctx.table[2].path.assign(hard);
    ASSERT_TRUE(StatusClick(c.ctx, 2));
    tally = c.Replace(LinkWay::Dedupe);
    EXPECT_EQ(tally.replaced, 1);
    EXPECT_EQ(tally.freed, 0);
    EXPECT_EQ(c.fs.Calls(Call::Link) + c.fs.Calls(Call::Dedupe), 0);
}

TEST(LinkCopies, HaltLeavesTheCopiesNotReachedFlagged) {
    Copies c(2);
    c.host.onPump = [&] { c.ctx.state.HaltRequested = true; };
    const LinkTally tally = c.Replace(LinkWay::Hard);
    EXPECT_EQ(tally.replaced, 0);
    EXPECT_EQ(tally.left, 2);
    EXPECT_NE(Inode(c.paths[1]), Inode(c.kept));
    EXPECT_FALSE(c.ctx.state.Updating);
}

}  // namespace
}  // namespace vellum
