// The pop-up menu's commands for copies, run through the real window with scripted dialogs.
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"

using vellum::EntryStatus;
using vellum::test::TempDir;
using vellum::test::Window;

class DuplicatesMenuTest final : public QObject {
    Q_OBJECT

  private slots:
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
};

QTEST_MAIN(DuplicatesMenuTest)
#include "test_duplicates_menu.moc"
