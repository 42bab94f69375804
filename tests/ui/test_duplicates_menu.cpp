// The pop-up menu's commands for copies: Find Duplicates in Folder..., Flag Identicals Outside
// Folder... and Replace Flagged with Links to Kept Copy, run through the real window with
// scripted dialogs, and the window at work on the rows afterwards.
#include <sys/stat.h>

#include <cerrno>

#include "checksum/md5.h"
#include "tests/support/fake_files.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"

using vellum::EntryStatus;
using vellum::test::Grouped;
using vellum::test::ReadAll;
using vellum::test::TempDir;
using vellum::test::Window;

namespace {

std::vector<EntryStatus> Statuses(Window& w) {
    std::vector<EntryStatus> out;
    for (std::int32_t i = 1; i < w.ctx().state.RowCount; ++i)
        out.push_back(w.ctx().table[i].status);
    return out;
}

std::string Md5Hex(const std::string& bytes) {
    return vellum::DigestToHex(vellum::DigestOfText(bytes));
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

class DuplicatesMenuTest final : public QObject {
    Q_OBJECT

  private slots:
    void findDuplicatesListsOnlyTheCopiesTogether() {
        TempDir dir;
        const std::string listed = dir.Write("listed.txt", "listed before");
        const std::string same1 = dir.Write("tree/b/one", "same");
        const std::string same2 = dir.Write("tree/a/two", "same");
        const std::string other1 = dir.Write("tree/y/z", "other!");
        const std::string other2 = dir.Write("tree/x", "other!");
        dir.Write("tree/alone", "alone");
        dir.Write("tree/samf", "samf");  // the copies' size, other bytes
        Window w({"-noautocheck", listed});
        w.dialogs->folders.push_back({dir / "tree", "*.*"});
        w.Menu("Find Duplicates in Folder...");
        std::vector<std::string> same = {same2, same1};
        std::vector<std::string> other = {other2, other1};
        std::vector<std::string> want = {listed};
        for (const auto& group : Md5Hex("same") < Md5Hex("other!") ? std::vector{same, other}
                                                                   : std::vector{other, same})
            want.insert(want.end(), group.begin(), group.end());
        QCOMPARE(w.Paths(), want);
        QCOMPARE(Statuses(w), std::vector<EntryStatus>(5, EntryStatus::OKAY));
        QVERIFY(!w.ctx().state.Updating);

        w.Menu("Flag Adjacent Identicals Except First");
        QCOMPARE(w.ctx().state.FlaggedCount, 2);
        // Cancelling the chooser adds nothing; the other commands work on the rows as on any.
        w.Menu("Find Duplicates in Folder...");
        QCOMPARE(w.ctx().state.RowCount, 6);
        w.Menu("Remove Flagged");
        QCOMPARE(w.ctx().state.RowCount, 4);
    }

    void flagIdenticalsOutsideFolderKeepsTheCopiesInside() {
        TempDir dir;
        const std::vector<std::string> files = {
            dir.Write("ref/a", "same"), dir.Write("out/b", "same"), dir.Write("out/c", "same"),
            dir.Write("out/d", "other!"), dir.Write("out/e", "other!")};
        std::vector<std::string> args = {"-noautocheck"};
        args.insert(args.end(), files.begin(), files.end());
        Window w(args);
        w.ClickCaption(5);
        w.dialogs->folders.push_back({dir / "ref/", "*.*"});
        w.Menu("Flag Identicals Outside Folder...");
        for (std::int32_t i = 1; i < w.ctx().state.RowCount; ++i) {
            const std::string path(w.ctx().table[i].path.view());
            const bool outsideCopy = path == files[1] || path == files[2];
            QCOMPARE(w.ctx().table[i].status,
                     outsideCopy ? EntryStatus::FLAGGED : EntryStatus::OKAY);
        }
        w.Menu("Flag NONE");
        w.Menu("Flag Identicals Outside Folder...");  // cancelled
        QCOMPARE(w.ctx().state.FlaggedCount, 0);
    }

    // On a file system that cannot share blocks the window asks before it makes hard links.
    void replaceWithLinksAsksBeforeHardLinks() {
        vellum::test::FakeFiles files;
        files.Fail({vellum::test::FakeFiles::Call::Dedupe, "", EOPNOTSUPP});
        TempDir dir;
        const std::string bytes(1500, 'x');
        const std::vector<std::string> copies = {dir.Write("a", bytes), dir.Write("b", bytes),
                                                 dir.Write("c", bytes)};
        Window w({"-noautocheck", copies[0], copies[1], copies[2]});
        w.ctx().fs = &files;
        w.Menu("Flag Adjacent Identicals Except First");
        QCOMPARE(w.ctx().state.FlaggedCount, 2);

        w.dialogs->confirms.push_back(false);
        w.Menu("Replace Flagged with Links to Kept Copy");
        QCOMPARE(w.dialogs->questions.back(),
                 std::string("2 flagged files could not share blocks with the kept copy on this "
                             "file system. Replace them with hard links to the kept copy "
                             "instead? Each name then leads to one and the same file: the names "
                             "share its permissions and times, and a change made through one "
                             "name shows through every other."));
        QCOMPARE(w.StatusText(),
                 QString("0 files replaced with links to the kept copy, 2 left, 0 bytes freed"));
        QCOMPARE(w.ctx().state.FlaggedCount, 2);
        QVERIFY(Inode(copies[1]) != Inode(copies[0]));

        w.dialogs->confirms.push_back(true);
        w.Menu("Replace Flagged with Links to Kept Copy");
        QCOMPARE(w.StatusText(), "2 files replaced with links to the kept copy, 0 left, " +
                                     Grouped(3000) + " bytes freed");
        QCOMPARE(Statuses(w), std::vector<EntryStatus>(3, EntryStatus::OKAY));
        for (const std::string& path : copies) {
            QCOMPARE(ReadAll(path), bytes);
            QCOMPARE(Inode(path), Inode(copies[0]));
        }
        // The rows go on as any others.
        w.Menu("Flag ALL");
        QCOMPARE(w.ctx().state.FlaggedCount, 3);
        w.Menu("Remove Flagged");
        QCOMPARE(w.ctx().state.RowCount, 1);
        w.ctx().fs = &vellum::platform::RealFileSystem();
    }
};

QTEST_MAIN(DuplicatesMenuTest)
#include "test_duplicates_menu.moc"
