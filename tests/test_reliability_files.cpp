// The list against an unfriendly file system, through the core's own calls: files that vanish,
// files and folders nobody may read, a file swapped for a FIFO between the check and the open,
// names that are no UTF-8 and paths past the stored length.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "interchange/list_file.h"
#include "interchange/recycle.h"
#include "pass/list_pass.h"
#include "tests/reliability/harness.h"
#include "tests/reliability/pass_list.h"
#include "tests/support/fake_files.h"
#include "tests/support/fake_trash.h"

namespace vellum::test {
namespace {

namespace fs = std::filesystem;
using S = EntryStatus;

TEST(Vanishing, AFileGoneBeforeItsPassIsInvalidAndNeverACopy) {
    TempDir dir;
    const std::string kept = dir.Write("d/kept.txt", "same bytes");
    const std::string gone = dir.Write("d/gone.txt", "same bytes");
    PassList list;
    AddFolder(list.ctx, dir / "d", "*.*", list.progress);
    ASSERT_EQ(test::Statuses(list.ctx), (std::vector<S>{S::OKAY, S::OKAY}));
    // Both rows are set to be read again; one file goes before the pass comes to it.
    list.ctx.table[1].status = list.ctx.table[2].status = S::RECHECK;
    fs::remove(gone);
    list.ctx.RunPass();
    EXPECT_EQ(RowLines(list.ctx),
              RowLine(S::INVALID, EntryBand::NEW, gone) + RowLine(S::OKAY, EntryBand::NEW, kept));
    FlagIdenticals(list.ctx);  // the gone row keeps values equal to the kept one's
    EXPECT_EQ(test::Statuses(list.ctx), (std::vector<S>{S::INVALID, S::OKAY}));
}

TEST(Vanishing, AFlaggedFileGoneBeforeTheTrashStaysFlaggedAndIsCounted) {
    TempDir dir;
    const std::string first = dir.Write("first.txt", "1");
    const std::string gone = dir.Write("gone.txt", "2");
    const std::string last = dir.Write("last.txt", "3");
    PassList list;
    for (const std::string& path : {first, gone, last}) (void)AddFile(list.ctx, path);
    list.ctx.RunPass();
    FlagAll(list.ctx);
    fs::remove(gone);
    FakeTrash trash(FakeTrash::Answer::Remove);
    SendFlaggedToTrash(list.ctx, trash);
    EXPECT_EQ(trash.asked, (std::vector<std::string>{first, last}));
    EXPECT_EQ(test::Statuses(list.ctx), (std::vector<S>{S::DELETED, S::FLAGGED, S::DELETED}));
    EXPECT_EQ(list.ctx.message.StatusMessage, "1 file could not be moved to the trash: " + gone);
    EXPECT_EQ(list.ctx.state.FlaggedCount, 1);
}

TEST(PermissionDenied, TheFileIsNamedTheFolderPassedOverAndNothingElseChanges) {
    if (!test::CanBecomeNobody()) GTEST_SKIP() << "needs root to drop to nobody";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec);
    const std::string open = dir.Write("t/open.txt", "for everyone");
    const std::string secret = dir.Write("t/secret.txt", "root only");
    const std::string locked = dir.MakeDir("t/locked");
    dir.Write("t/locked/inside.txt", "behind a locked door");
    const std::string later = dir.Write("t/sub/later.txt", "nobody's own, locked before the pass");
    fs::permissions(secret, fs::perms::owner_read);
    fs::permissions(locked, fs::perms::owner_all);
    ASSERT_EQ(chown(later.c_str(), test::kNobody, test::kNobody), 0);

    const test::ChildOutcome child = test::InChild(
        [&] {
            test::BecomeNobody();
            PassList list;
            AddFolder(list.ctx, dir / "t", "*.*", list.progress);
            std::string out =
                RowLines(list.ctx) + "message: " + list.ctx.message.StatusMessage + "\n";
            // Readable when the walk found it, not when the pass comes to it.
            chmod(later.c_str(), 0);
            list.ctx.table[2].status = S::RECHECK;
            list.ctx.RunPass();
            return out + RowLines(list.ctx) + "message: " + list.ctx.message.StatusMessage + "\n";
        },
        20s);
    ASSERT_FALSE(child.hung);
    EXPECT_EQ(child.exitCode, 0) << child.output;
    const std::string walked =
        RowLine(S::OKAY, EntryBand::NEW, open) + RowLine(S::OKAY, EntryBand::NEW, later);
    EXPECT_EQ(child.output,
              walked + "message: " + secret + " failed\n" + RowLine(S::OKAY, EntryBand::NEW, open) +
                  RowLine(S::CALCING, EntryBand::NEW, later) + "message: " + later + " failed\n");
}

TEST(SwappedForAFifo, TheOpenReturnsAtOnceAndTheRowWaitsForTheNextPass) {
    TempDir dir;
    const std::string path = dir.Write("swapped", "a file, for now");
    const test::ChildOutcome child = test::InChild(
        [&] {
            // Tells the truth about the path, then puts a FIFO in its place before the open.
            test::FakeFiles swapping;
            swapping.before = [&](test::FakeFiles::Call call, const std::string& at) {
                if (call != test::FakeFiles::Call::Open || at != path) return;
                fs::remove(path);
                mkfifo(path.c_str(), 0644);
            };
            PassList list(&swapping);
            list.Add(path);
            list.ctx.RunPass();
            return RowLines(list.ctx) + list.ctx.message.StatusMessage;
        },
        10s);
    EXPECT_FALSE(child.hung) << "opening the FIFO blocked";
    EXPECT_EQ(child.output, RowLine(S::CALCING, EntryBand::OLD, path) + path + " failed");
    EXPECT_LT(child.seconds, 3.0);
    test::Figure("must-not-hang, 3 s: a file swapped for a FIFO before its open",
                 child.seconds * 1000, "ms");
}

// Even an open that cannot block releases a writer waiting on the FIFO, which then dies of
// SIGPIPE when it is closed again: a FIFO named directly, listed as a row (as the command line
// lists paths), or lying in a walked folder is looked at, never opened.
TEST(FifoWithAWaitingWriter, IsNeverOpenedByAddingOrByThePass) {
    TempDir dir;
    const std::string before =
        dir.Write("w/before.txt", "a short file, so the next row is taken up early");
    const std::string fifo = dir / "w/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::atomic<bool> released = false;
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);  // waits for a reader
        released = true;
        if (fd >= 0) ::close(fd);
    });

    PassList list;
    EXPECT_EQ(AddChosenPath(list.ctx, fifo), AddOutcome::Failed);
    EXPECT_EQ(list.ctx.message.StatusMessage, fifo + " failed");
    AddFolder(list.ctx, dir / "w", "*.*", list.progress);
    list.Add(before);
    list.Add(fifo);
    list.ctx.RunPass();
    EXPECT_EQ(RowLines(list.ctx), RowLine(S::OKAY, EntryBand::NEW, before) +
                                      RowLine(S::OKAY, EntryBand::NEW, before) +
                                      RowLine(S::INVALID, EntryBand::OLD, fifo));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(released) << "the FIFO was opened";

    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets the writer go
    writer.join();
    ::close(reader);
}

TEST(StrangeNames, GoThroughWalkExportImportAndVerifyByteForByte) {
    TempDir dir;
    const std::string base = dir.MakeDir("n");
    // A path of exactly 250 bytes, where paths were once cut.
    const std::size_t room = 250 - base.size() - 1;
    const std::vector<std::string> names = {
        std::string("latin1 caf\xe9.txt"),
        std::string("bad \xff\xfe utf-8 \xc3(.bin"),
        std::string("\x80\x81\x82 control \x01\x1b.txt"),
        std::string("ctrl-z \x1a.txt"),
        std::string(room, 'w'),  // exactly 250 bytes of path
    };
    for (const std::string& name : names) dir.Write("n/" + name, "content of " + name);
    const std::string longName(255, 'L');  // the longest name Linux allows, in a long path
    dir.Write("n/" + longName, "found again whole");

    PassList list;
    AddFolder(list.ctx, base, "*.*", list.progress);
    list.ctx.RunPass();
    std::string expected;
    std::vector<std::string> sorted = names;
    sorted.push_back(longName);
    std::sort(sorted.begin(), sorted.end());
    for (const std::string& name : sorted)
        expected += RowLine(S::OKAY, EntryBand::NEW, base + "/" + name);
    EXPECT_EQ(RowLines(list.ctx), expected);

    FlagAll(list.ctx);
    const std::string exported = dir / "list.csv";
    ASSERT_EQ(ExportFlaggedList(list.ctx, exported, 1), std::nullopt);
    const std::string text = test::ReadAll(exported);
    for (const std::string& name : sorted)
        EXPECT_NE(text.find("\"" + base + "/" + name + "\","), std::string::npos) << name;

    PassList back;
    ASSERT_EQ(ImportChosenList(back.ctx, exported), std::nullopt);
    std::string verified;
    for (std::int32_t i = 1; i < list.ctx.state.RowCount; ++i)
        if (list.ctx.table[i].status == S::FLAGGED)
            verified += RowLine(S::OKAY, EntryBand::UNCHANGED, list.ctx.table[i].path.view());
    EXPECT_EQ(RowLines(back.ctx), verified);
    EXPECT_EQ(back.ctx.state.RowCount, static_cast<std::int32_t>(sorted.size()) + 1);
}

}  // namespace
}  // namespace vellum::test
