// The list's pop-up menu and its commands, run through the real window with scripted dialogs.
#include <QMenu>
#include <QSignalSpy>

#include "filelist/list_context.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"

using vellum::EntryBand;
using vellum::EntryStatus;
using vellum::test::Grouped;
using vellum::test::ReadAll;
using vellum::test::TempDir;
using vellum::test::Window;

namespace {

// Three files of different sizes, listed from the command line in this order.
struct ThreeFiles {
    TempDir dir;
    std::string small = dir.Write("b-small.txt", std::string(10, 's'));
    std::string large = dir.Write("a-large.txt", std::string(2500, 'l'));
    std::string middle = dir.Write("c-middle.txt", std::string(1000, 'm'));
    std::vector<std::string> args() const { return {"-noautocheck", small, large, middle}; }
};

std::vector<EntryStatus> Statuses(Window& w) {
    std::vector<EntryStatus> out;
    for (std::int32_t i = 1; i < w.ctx().state.RowCount; ++i)
        out.push_back(w.ctx().table[i].status);
    return out;
}

}  // namespace

class CommandsMenuTest final : public QObject {
    Q_OBJECT

  private slots:
    void menuItemsInOrderWithoutShortcuts() {
        Window w({"-noautocheck"});
        QStringList items;
        for (QAction* action : w.main->popupMenu().actions()) {
            items << (action->isSeparator() ? QString("-") : Window::Read(*action));
            QVERIFY(action->shortcut().isEmpty());
            QVERIFY(action->isEnabled());
        }
        const QStringList expected = {"Clear",
                                      "-",
                                      "Add files",
                                      "Add folder",
                                      "Find Duplicates in Folder...",
                                      "-",
                                      "Invert FLAGGED",
                                      "Flag ALL",
                                      "Flag NONE",
                                      "Remove Flagged",
                                      "Flag Adjacent Identicals",
                                      "Flag Adjacent Identicals Except First",
                                      "Flag Identicals Outside Folder...",
                                      "Flag Between Markers",
                                      "-",
                                      "Remove Adjacent Duplicates",
                                      "-",
                                      "Digests",
                                      "Check Against Digest...",
                                      "-",
                                      "Replace Flagged with Links to Kept Copy",
                                      "Send Flagged to Recycle Bin",
                                      "Remove Deleted",
                                      "-",
                                      "EXPORT Flagged List",
                                      "IMPORT file list",
                                      "-",
                                      "About"};
        QCOMPARE(items, expected);
    }

    // Every item of the menu and of its Digests submenu has a letter of its own there, and a
    // letter runs its item while the menu is open.
    void eachItemHasALetterOfItsOwn() {
        ThreeFiles f;
        Window w(f.args());
        for (QMenu* menu : {&w.main->popupMenu(), &w.main->digestsMenu()}) {
            QSet<QString> letters;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                const QString letter = QKeySequence::mnemonic(action->text()).toString();
                QVERIFY2(!letter.isEmpty(), qPrintable(action->text()));
                QVERIFY2(!letters.contains(letter), qPrintable(action->text()));
                letters.insert(letter);
            }
        }
        w.Menu("Flag ALL");
        QMenu& menu = w.main->popupMenu();
        Qt::Key none = Qt::Key_unknown;
        for (QAction* action : menu.actions())
            if (Window::Read(*action) == "Flag NONE")
                none = QKeySequence::mnemonic(action->text())[0].key();
        menu.popup(w.main->mapToGlobal(QPoint(20, 20)));
        QTRY_VERIFY(menu.isVisible());
        QTest::keyClick(&menu, none);
        QTRY_COMPARE(w.ctx().state.FlaggedCount, 0);
        QVERIFY(!menu.isVisible());
    }

    void rightButtonOpensTheMenuOnlyOutsideAPass() {
        ThreeFiles f;
        Window w(f.args());
        QWidget* viewport = w.main->grid().viewport();
        w.ctx().state.Processing = true;
        QTest::mousePress(viewport, Qt::RightButton, {}, w.CellCentre(1, 0));
        QVERIFY(!w.main->popupMenu().isVisible());
        w.ctx().state.Processing = false;
        QTest::mousePress(viewport, Qt::RightButton, {}, w.CellCentre(1, 0));
        QTRY_VERIFY(w.main->popupMenu().isVisible());
        w.main->popupMenu().hide();
        // The right button leaves the selection alone.
        QCOMPARE(w.ctx().state.SelectedRow, 0);
    }

    void clearAsksFirst() {
        ThreeFiles f;
        Window w(f.args());
        w.dialogs->confirms.push_back(false);
        w.Menu("Clear");
        QCOMPARE(w.dialogs->questions.back(),
                 "Are you sure you want to clear all these files? this cannot be undone");
        QCOMPARE(w.ctx().state.RowCount, 4);
        w.dialogs->confirms.push_back(true);
        w.Menu("Clear");
        QCOMPARE(w.ctx().state.RowCount, 1);
        QCOMPARE(w.model().rowCount(), 1);
        QCOMPARE(w.StatusText(), QString("Listing 0 files, total 0 bytes, 0 flagged 0 bytes"));
    }

    void addFolderWalksWithTheMaskAndSkipsListedFiles() {
        TempDir dir;
        const std::string top = dir.Write("tree/one.txt", "1");
        const std::string deep = dir.Write("tree/sub/two.TXT", "22");
        dir.Write("tree/sub/skip.bin", "333");
        Window w({"-noautocheck", top});
        w.dialogs->folders.push_back({dir / "tree", "*.txt"});
        w.Menu("Add folder");
        QCOMPARE(w.Paths(), (std::vector<std::string>{top, deep}));
        QCOMPARE(Statuses(w), (std::vector<EntryStatus>{EntryStatus::OKAY, EntryStatus::OKAY}));
        // Cancelling the chooser adds nothing.
        w.Menu("Add folder");
        QCOMPARE(w.ctx().state.RowCount, 3);
    }

    // Captions carry the sort marks; the rows follow the keys. The grid hears of the sort as a
    // reorder, and the strip of its new captions, from their models.
    void captionClicksSortTheList() {
        ThreeFiles f;
        Window w(f.args());
        QSignalSpy reordered(&w.model(), &QAbstractItemModel::layoutChanged);
        QSignalSpy captions(&w.main->headerModel(), &QAbstractItemModel::dataChanged);
        w.ClickCaption(1);
        QCOMPARE(reordered.count(), 1);
        QCOMPARE(captions.count(), 1);
        QCOMPARE(w.Caption(1), QString("Size ^"));
        QCOMPARE(w.Caption(0), QString("Filename (path\\file) +"));
        QCOMPARE(w.Paths(), (std::vector<std::string>{f.large, f.middle, f.small}));
        w.ClickCaption(1);
        QCOMPARE(w.Caption(1), QString("Size v"));
        QCOMPARE(w.Paths(), (std::vector<std::string>{f.small, f.middle, f.large}));
        w.ClickCaption(0);
        QCOMPARE(w.Caption(0), QString("Filename (path\\file) ^"));
        QCOMPARE(w.Caption(1), QString("Size +"));
        QCOMPARE(w.Paths(), (std::vector<std::string>{f.middle, f.small, f.large}));
        w.ClickCaption(0);
        QCOMPARE(w.Caption(0), QString("Filename (file) v"));
        QCOMPARE(w.Paths(), (std::vector<std::string>{f.large, f.small, f.middle}));
    }

    void statusClickFlagsAndUnflagsWithTheTotals() {
        ThreeFiles f;
        Window w(f.args());
        w.ClickCell(2, 6);
        QCOMPARE(w.ctx().table[2].status, EntryStatus::FLAGGED);
        QCOMPARE(w.StatusText(), "Listing 3 files, total " + Grouped(3510) + " bytes, 1 flagged " +
                                     Grouped(2500) + " bytes");
        QCOMPARE(w.ctx().state.SelectedRow, 2);
        QCOMPARE(w.Background(2), QColor(0xA6CAF0));
        w.ClickCell(1, 0);  // selecting another row gives row 2 its own colour back
        QCOMPARE(w.Background(2), QColor(0xC0DCC0));
        w.ClickCell(2, 6);
        QCOMPARE(w.ctx().table[2].status, EntryStatus::OKAY);
        QCOMPARE(w.ctx().state.FlaggedCount, 0);
        QCOMPARE(w.Background(3), QColor(0xFFFBF0));
    }

    void keyboardMovesSelectToo() {
        ThreeFiles f;
        Window w(f.args());
        w.ClickCell(1, 0);
        QTest::keyClick(&w.main->grid(), Qt::Key_Down);
        QCOMPARE(w.ctx().state.SelectedRow, 2);
        QCOMPARE(w.main->hexView().ViewedPath(), f.large);
    }

    void flagCommandsTouchOnlyOkayAndFlaggedRows() {
        ThreeFiles f;
        Window w(f.args());
        w.ctx().table[3].status = EntryStatus::DELETED;
        w.Menu("Flag ALL");
        QCOMPARE(Statuses(w), (std::vector<EntryStatus>{EntryStatus::FLAGGED, EntryStatus::FLAGGED,
                                                        EntryStatus::DELETED}));
        QCOMPARE(w.ctx().state.FlaggedBytes, 2510);
        w.Menu("Flag NONE");
        QCOMPARE(w.ctx().state.FlaggedCount, 0);
        w.ClickCell(1, 6);
        w.Menu("Invert FLAGGED");
        QCOMPARE(Statuses(w), (std::vector<EntryStatus>{EntryStatus::OKAY, EntryStatus::FLAGGED,
                                                        EntryStatus::DELETED}));
        w.Menu("Remove Flagged");
        QCOMPARE(w.Paths(), (std::vector<std::string>{f.small, f.middle}));
        QCOMPARE(w.model().rowCount(), 3);
        w.Menu("Remove Deleted");
        QCOMPARE(w.Paths(), std::vector<std::string>{f.small});
    }

    void identicalsDuplicatesAndMarkers() {
        TempDir dir;
        const std::string a = dir.Write("a.txt", "same");
        const std::string b = dir.Write("b.txt", "same");
        const std::string c = dir.Write("c.txt", "other");
        Window w({"-noautocheck", a, a, b, c});
        w.Menu("Remove Adjacent Duplicates");
        QCOMPARE(w.Paths(), (std::vector<std::string>{a, b, c}));
        w.Menu("Flag Adjacent Identicals");
        QCOMPARE(Statuses(w), (std::vector<EntryStatus>{EntryStatus::FLAGGED, EntryStatus::FLAGGED,
                                                        EntryStatus::OKAY}));
        w.Menu("Flag NONE");
        w.DoubleClickCell(1, 6);
        w.DoubleClickCell(3, 6);
        QCOMPARE(Statuses(w), (std::vector<EntryStatus>{EntryStatus::MARKER, EntryStatus::OKAY,
                                                        EntryStatus::MARKER}));
        w.ClickCell(2, 0);
        QCOMPARE(w.Background(1), QColor(0xFFFF00));
        w.Menu("Flag Between Markers");
        QCOMPARE(Statuses(w), std::vector<EntryStatus>(3, EntryStatus::FLAGGED));
    }

    // The road the README recommends: sorted by md5, all copies but the first shown flagged,
    // then trashed.
    void keepFirstThenTrashLeavesOneCopyOfEach() {
        TempDir dir;
        const std::string other = dir.Write("c.txt", "other");
        std::vector<std::string> copies = {dir.Write("b.txt", "same"), dir.Write("d.txt", "same"),
                                           dir.Write("a.txt", "same")};
        Window w({"-noautocheck", copies[0], other, copies[1], copies[2]});
        w.ClickCaption(5);
        std::erase(copies, w.Paths()[w.Paths()[0] == other ? 1 : 0]);  // the first one shown
        w.Menu("Flag Adjacent Identicals Except First");
        w.Menu("Send Flagged to Recycle Bin");
        std::sort(w.trash.asked.begin(), w.trash.asked.end());
        std::sort(copies.begin(), copies.end());
        QCOMPARE(w.trash.asked, copies);
        QCOMPARE(w.ctx().state.FlaggedCount, 0);
    }

    // md5sum and SFV lists written through the save dialog, and read back by the import.
    void otherToolsListsGoOutAndComeBack() {
        ThreeFiles f;
        Window w(f.args());
        w.Menu("Flag ALL");
        const std::string md5 = f.dir / "list.md5";
        const std::string sfv = f.dir / "list.sfv";
        w.dialogs->saves.push_back({md5, 3});
        w.dialogs->saves.push_back({sfv, 4});
        w.Menu("EXPORT Flagged List");
        w.Menu("EXPORT Flagged List");
        QVERIFY(w.dialogs->errors.empty());
        const std::string first = vellum::DigestToHex(w.ctx().table[1].md5) + "  " + f.small + "\n";
        QCOMPARE(ReadAll(md5).substr(0, first.size()), first);
        QCOMPARE(QString::fromStdString(ReadAll(sfv)).count('\n'), 4);  // the comment and three

        f.dir.Write("c-middle.txt", "changed");
        f.dir.Write("list.md5", ReadAll(md5) + vellum::DigestToHex({}) + "  gone\nSHA1 (x) = ab\n");
        const std::vector<EntryBand> verified = {EntryBand::UNCHANGED, EntryBand::UNCHANGED,
                                                 EntryBand::CHANGED};
        for (const std::string& list : {md5, sfv}) {
            const std::int32_t first = w.ctx().state.RowCount;
            w.dialogs->imports.push_back(list);
            w.Menu("IMPORT file list");
            for (std::int32_t k = 0; k < 3; ++k)
                QCOMPARE(w.ctx().table[first + k].band, verified[k]);
        }
        QCOMPARE(w.ctx().table[7].status, EntryStatus::INVALID);
        QCOMPARE(w.Cell(7, 1), QString());  // an md5sum line gives no size
        w.ctx().state.Crc32Variant = 0;
        w.dialogs->imports.push_back(sfv);
        w.Menu("IMPORT file list");
        QVERIFY(w.StatusText().contains("could not be checked under -crc32a"));
    }

    void recycleMarksMovedRowsDeleted() {
        ThreeFiles f;
        Window w(f.args());
        w.ClickCell(1, 6);
        w.ClickCell(3, 6);
        w.Menu("Send Flagged to Recycle Bin");
        QCOMPARE(w.trash.asked, (std::vector<std::string>{f.small, f.middle}));
        QCOMPARE(w.Cell(1, 6), QString("DELETED"));
        QCOMPARE(w.TextColour(1, 6), QColor(0xFF0000));
        QCOMPARE(w.ctx().table[2].status, EntryStatus::OKAY);
    }

    void exportThenImportVerifiesTheFiles() {
        ThreeFiles f;
        Window w(f.args());
        w.Menu("Flag ALL");
        const std::string list = f.dir / "list.csv";
        w.dialogs->saves.push_back({list, 1});
        w.Menu("EXPORT Flagged List");
        QVERIFY(w.dialogs->errors.empty());
        QCOMPARE(QString::fromStdString(ReadAll(list)).count("\r\n"), 3);

        w.dialogs->imports.push_back(list);
        w.Menu("IMPORT file list");
        QCOMPARE(w.ctx().state.RowCount, 7);
        QCOMPARE(w.ctx().table[4].band, EntryBand::UNCHANGED);
        QCOMPARE(w.Background(5), QColor(0xFFFBF0));

        w.dialogs->saves.push_back({f.dir / "no-such-folder/list.csv", 1});
        w.Menu("EXPORT Flagged List");
        QCOMPARE(w.dialogs->errors.size(), std::size_t(1));
        w.dialogs->imports.push_back(f.dir / "missing.csv");
        w.Menu("IMPORT file list");
        QCOMPARE(w.dialogs->errors.size(), std::size_t(2));
        QCOMPARE(w.ctx().state.RowCount, 7);
    }

    void doubleClickShowsTheStoredValues() {
        ThreeFiles f;
        Window w(f.args());
        w.ctx().table[2].size = -1;  // as a row whose size is unknown shows it
        w.DoubleClickCell(2, 1);
        vellum::ui::ValuesDialog& form = w.main->valuesDialog();
        QVERIFY(form.isVisible());
        const vellum::FileEntry& e = w.ctx().table[2];
        QCOMPARE(form.BoxText(1), QString::fromStdString(f.large));
        QCOMPARE(form.BoxText(2), QString("-1"));
        QCOMPARE(form.BoxText(3), QString::fromStdString(vellum::Crc16Text(e.crc16)));
        QCOMPARE(form.BoxText(4), QString::fromStdString(vellum::Crc32Text(e.crc32)));
        QCOMPARE(form.BoxText(6), QString::fromStdString(vellum::DigestToHex(e.md5)));
    }

    void selectionShowsTheFileInTheHexView() {
        TempDir dir;
        const std::string thousand = dir.Write("k.bin", std::string(1000, 'k'));
        const std::string gone = dir.Write("gone.bin", "g");
        Window w({"-noautocheck", thousand, gone});
        w.ClickCell(1, 0);
        QCOMPARE(w.main->hexView().grid()->rowCount(), 33);
        QCOMPARE(w.main->hexView().titleCaption(), QString::fromStdString(thousand));
        std::remove(gone.c_str());
        w.ClickCell(2, 0);
        // The box names the file and its row; the view keeps nothing of the file before.
        QCOMPARE(w.dialogs->errors,
                 std::vector<std::string>{gone + " (row 2): No such file or directory"});
        QCOMPARE(w.ctx().state.SelectedRow, 2);
        QCOMPARE(w.main->hexView().titleCaption(), QString());
        QCOMPARE(w.main->hexView().grid()->rowCount(), 5);
        QCOMPARE(w.main->hexView().Cell(1, 1).text, std::string());

        w.ClickCell(1, 0);
        w.dialogs->confirms.push_back(true);
        w.Menu("Clear");
        QCOMPARE(w.main->hexView().titleCaption(), QString());
        QCOMPARE(w.main->hexView().ViewedPath(), std::string());
    }

    // A sort takes the selection, the grid's current cell and so the keys along with the file;
    // the hex view goes on showing it.
    void theSelectionFollowsItsFileAcrossASort() {
        ThreeFiles f;
        Window w(f.args());
        w.ClickCell(1, 0);  // small
        QCOMPARE(w.main->hexView().ViewedPath(), f.small);
        w.ClickCaption(1);  // by size, largest first: small goes last
        QCOMPARE(w.ctx().state.SelectedRow, 3);
        QCOMPARE(w.main->grid().currentIndex().row(), 3);
        QCOMPARE(w.Background(3), QColor(0xA6CAF0));
        QCOMPARE(w.main->hexView().ViewedPath(), f.small);
        QTest::keyClick(&w.main->grid(), Qt::Key_Up);
        QCOMPARE(w.main->hexView().ViewedPath(), f.middle);
    }
};

QTEST_MAIN(CommandsMenuTest)
#include "test_commands_menu.moc"
