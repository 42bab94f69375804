// The small windows and the Qt side of Dialogs: what they show, where their controls sit, and
// what the file dialogs and the folder chooser hand back.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QWindow>
#include <QtTest>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "ui/add_progress_window.h"
#include "ui/folder_chooser.h"
#include "ui/qt_dialogs.h"
#include "ui/values_dialog.h"

using vellum::ui::AddProgressWindow;
using vellum::ui::FolderChooser;
using vellum::ui::ValuesDialog;

namespace {

QString Q(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// Answers the modal window that the next exec opens; one of another kind is closed so that
// the test fails instead of waiting forever.
template <typename Window, typename Answer>
void AnswerNextModal(Answer answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* window = qobject_cast<Window*>(modal);
        if (!window) {
            if (modal) modal->close();
            QFAIL("the expected modal window did not open");
        }
        answer(*window);
    });
}

// A folder with one of each kind of entry the chooser must show or leave out.
struct Sample {
    vellum::test::TempDir dir;
    Sample() {
        dir.Write("file.txt", "x");
        dir.Write(".hidden.dat", "y");
        dir.MakeDir("sub");
        dir.MakeDir(".hid");
    }
};

}  // namespace

class DialogsTest final : public QObject {
    Q_OBJECT

  private slots:
    void progressLabelsShowOnlyWhatTheyAreTold();
    void valuesShowTheEntryAsStored_data();
    void valuesShowTheEntryAsStored();
    void valuesRefillTheOpenWindow();
    void chooserStartsAtHome();
    void chooserShowsAndClicks();
    void chooserKeyboardHandsBackTheFolderItNames();
    void chooserTakesATypedPath();
    void geometry_data();
    void geometry();
    void textsFitTheirControls();
    void fileDialogSettings();
    void fileDialogColumnsReadWholeAndTheSizeIsKept();
    void exportDialogReturnsPathAndFileType();
    void exportDialogOffersTheShownDigestsLists();
    void importDialogTakesAListOfAnyName();
    void importDialogNamesTheDigestsLists();
    void chooseFolderKeepsTheChooser();
    void confirmCountsOnlyYes_data();
    void confirmCountsOnlyYes();
};

void DialogsTest::progressLabelsShowOnlyWhatTheyAreTold() {
    AddProgressWindow form;
    QCOMPARE(form.windowTitle(), QString("Add file progress"));
    QCOMPARE(form.FolderText() + form.AddedText() + form.SkippedText(), QString("000"));
    form.Show();
    QVERIFY(form.isVisible());
    QVERIFY(form.windowHandle()->isExposed());
    form.Update({.AddedCount = 1234567890, .FolderCount = 12, .SkippedCount = 7});
    QCOMPARE(form.FolderText(), QString("12"));
    QCOMPARE(form.AddedText(), QString("1234567890"));
    QCOMPARE(form.SkippedText(), QString("7"));
    form.Hide();
    QVERIFY(!form.isVisible());
    form.ResetAddedLabel();
    form.Show();
    QCOMPARE(form.FolderText(), QString("12"));
    QCOMPARE(form.AddedText(), QString("0"));
    QCOMPARE(form.SkippedText(), QString("7"));
}

void DialogsTest::valuesShowTheEntryAsStored_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("shownPath");
    QTest::addColumn<QString>("shownSize");
    QTest::newRow("size -1") << QByteArray("/tmp/a b.txt") << qint64(-1) << "/tmp/a b.txt"
                             << "-1";
    QTest::newRow("no separators, UTF-8 path")
        << QByteArray(
               "/data/Gr\xc3\xbc\xc3\x9f"
               "e.bin")
        << qint64(1234567) << QString::fromUtf8("/data/Grüße.bin") << "1234567";
    QTest::newRow("past 32 bits") << QByteArray("/x") << qint64(5000000000) << "/x"
                                  << "5000000000";
}

// A WAITING row: the grid leaves its values blank, the dialog shows what the entry holds.
void DialogsTest::valuesShowTheEntryAsStored() {
    QFETCH(QByteArray, path);
    QFETCH(qint64, size);
    vellum::FileEntry entry;
    entry.path.assign(path.toStdString());
    entry.size = size;
    entry.crc16 = 0xA3;
    entry.crc32 = 0x1A;
    entry.md5.bytes[0] = 0x0f;
    entry.status = vellum::EntryStatus::WAITING;
    ValuesDialog form;
    form.ShowEntry(entry);
    QTEST(form.BoxText(1), "shownPath");
    QTEST(form.BoxText(2), "shownSize");
    QCOMPARE(form.BoxText(3), QString("00A3"));
    QCOMPARE(form.BoxText(4), QString("0000001A"));
    QCOMPARE(form.BoxText(5), QString("0000"));
    QCOMPARE(form.BoxText(6), QString("0f000000000000000000000000000000"));
}

void DialogsTest::valuesRefillTheOpenWindow() {
    ValuesDialog form;
    form.ShowEntry(vellum::FileEntry{});
    vellum::FileEntry second;
    second.path.assign("/second");
    second.crc32 = 0xDEADBEEF;
    second.xsum = 0xBEEF;
    form.ShowEntry(second);
    QVERIFY(form.isVisible() && !form.isModal());
    QCOMPARE(form.BoxText(1), QString("/second"));
    QCOMPARE(form.BoxText(4), QString("DEADBEEF"));
    QCOMPARE(form.BoxText(5), QString("BEEF"));
    // A row from an md5sum list holds its md5 alone: the other boxes are emptied, not zeros.
    vellum::FileEntry listed;
    listed.path.assign("/listed");
    listed.md5.bytes[15] = 0xab;
    listed.held = vellum::kHeldMd5;
    form.ShowEntry(listed);
    for (int n : {2, 3, 4, 5}) QCOMPARE(form.BoxText(n), QString());
    QCOMPARE(form.BoxText(6), QString("000000000000000000000000000000ab"));
}

void DialogsTest::chooserStartsAtHome() {
    FolderChooser chooser;
    const std::string home = vellum::ui::PathFromQt(QDir::homePath());
    QCOMPARE(chooser.windowTitle(), QString("SelectDir"));
    QCOMPARE(chooser.SelectedPath(), home);
    // It names from the start the folder OK would hand back.
    QCOMPARE(chooser.PathLabelText(), Q(home));
    QCOMPARE(chooser.MaskText(), QString("*.*"));
    QCOMPARE(chooser.findChild<QComboBox*>("maskBox")->count(), 1);
    const auto* preview = chooser.findChild<QListView*>("preview");
    QVERIFY(!preview->isEnabled());
    const auto* contents = qobject_cast<QFileSystemModel*>(preview->model());
    QCOMPARE(contents->filePath(preview->rootIndex()), Q(home));
    const auto choice = chooser.Choice();
    QCOMPARE(choice.folder, home);
    QCOMPARE(choice.mask, std::string("*.*"));
}

void DialogsTest::chooserShowsAndClicks() {
    Sample sample;
    const QString base = Q(sample.dir.path());
    FolderChooser chooser;
    chooser.SetMaskText("*.txt");
    chooser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    QVERIFY(!chooser.SelectPath(sample.dir / "file.txt"));
    QVERIFY(chooser.SelectPath(sample.dir.path()));
    QCOMPARE(chooser.PathLabelText(), base);

    auto* tree = chooser.findChild<QTreeView*>("tree");
    auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
    tree->expand(folders->index(base));
    QTRY_COMPARE(folders->rowCount(folders->index(base)), 2);  // sub and .hid, no files
    const auto* preview = chooser.findChild<QListView*>("preview");
    QTRY_COMPARE(preview->model()->rowCount(preview->rootIndex()), 4);  // mask ignored

    const auto click = [&](const char* name, Qt::MouseButton button) {
        const QModelIndex index = folders->index(Q(sample.dir / name));
        tree->scrollTo(index);
        QTest::mouseClick(tree->viewport(), button, {}, tree->visualRect(index).center());
    };
    click("sub", Qt::LeftButton);
    QCOMPARE(chooser.SelectedPath(), sample.dir / "sub");
    QCOMPARE(chooser.PathLabelText(), Q(sample.dir / "sub"));
    click(".hid", Qt::RightButton);  // selects, and names what it selected
    QCOMPARE(chooser.PathLabelText(), Q(sample.dir / ".hid"));
    QCOMPARE(chooser.Choice().folder, sample.dir / ".hid");
    QCOMPARE(chooser.Choice().mask, std::string("*.txt"));

    // A folder made while it is open shows in the tree and in the preview.
    sample.dir.MakeDir("made-later");
    QTRY_COMPARE(folders->rowCount(folders->index(base)), 3);
    QVERIFY(chooser.SelectPath(sample.dir.path()));
    QTRY_COMPARE(preview->model()->rowCount(preview->rootIndex()), 5);

    // One taken away after it was named is not handed back.
    QVERIFY(chooser.SelectPath(sample.dir / "made-later"));
    QVERIFY(QDir().rmdir(Q(sample.dir / "made-later")));
    chooser.findChild<QPushButton*>("okButton")->click();
    QVERIFY(chooser.isVisible());
}

// The keyboard's road through the real chooser, as Add folder opens it: the path box names the
// folder under the highlight wherever the arrows take it, and Enter in the mask hands back
// exactly that folder.
void DialogsTest::chooserKeyboardHandsBackTheFolderItNames() {
    Sample sample;
    sample.dir.MakeDir("sub/deeper");
    vellum::ui::QtDialogs dialogs(nullptr);
    QString named;
    AnswerNextModal<FolderChooser>([&](FolderChooser& chooser) {
        QVERIFY(chooser.SelectPath(sample.dir / "sub"));
        auto* tree = chooser.findChild<QTreeView*>("tree");
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Right);  // opens sub
        QTRY_COMPARE(tree->model()->rowCount(tree->currentIndex()), 1);
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(chooser.PathLabelText(), Q(sample.dir / "sub/deeper"));
        QTest::keyClick(tree, Qt::Key_Up);
        QTest::keyClick(tree, Qt::Key_Up);
        named = chooser.PathLabelText();
        QCOMPARE(vellum::ui::PathFromQt(named), chooser.SelectedPath());
        QVERIFY(named != Q(sample.dir / "sub"));
        auto* mask = chooser.findChild<QComboBox*>("maskBox");
        mask->lineEdit()->selectAll();
        QTest::keyClicks(mask->lineEdit(), "*.txt");
        QTest::keyClick(mask->lineEdit(), Qt::Key_Return);
    });
    const auto choice = dialogs.ChooseFolder();
    QVERIFY(choice.has_value());
    QCOMPARE(Q(choice->folder), named);
    QCOMPARE(choice->mask, std::string("*.txt"));
}

// A path typed or pasted takes the highlight to its folder; one that names no folder cannot be
// handed back, and Enter then leaves the chooser open.
void DialogsTest::chooserTakesATypedPath() {
    Sample sample;
    const std::string file = sample.dir / "file.txt";
    vellum::ui::QtDialogs dialogs(nullptr);
    bool stayedOpen = false;
    AnswerNextModal<FolderChooser>([&](FolderChooser& chooser) {
        auto* path = chooser.findChild<QLineEdit*>("pathEdit");
        auto* ok = chooser.findChild<QPushButton*>("okButton");
        path->selectAll();
        QTest::keyClicks(path, Q(file));
        QVERIFY(!ok->isEnabled());
        QTest::keyClick(path, Qt::Key_Return);
        stayedOpen = chooser.isVisible();
        path->selectAll();
        QTest::keyClicks(path, Q(sample.dir / "sub") + "/");
        QVERIFY(ok->isEnabled());
        // The tree follows, and the box keeps what was typed.
        auto* tree = chooser.findChild<QTreeView*>("tree");
        const auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
        QCOMPARE(folders->filePath(tree->currentIndex()), Q(sample.dir / "sub"));
        QCOMPARE(path->text(), Q(sample.dir / "sub") + "/");
        QTest::keyClick(path, Qt::Key_Return);
    });
    const auto choice = dialogs.ChooseFolder();
    QVERIFY(stayedOpen);
    QVERIFY(choice.has_value());
    QCOMPARE(choice->folder, sample.dir / "sub");

    QCOMPARE(vellum::ui::TypedFolder("~"), std::optional<QString>(QDir::homePath()));
    QCOMPARE(vellum::ui::TypedFolder(QUrl::fromLocalFile(Q(sample.dir / "sub")).toString()),
             std::optional<QString>(Q(sample.dir / "sub")));
    QCOMPARE(vellum::ui::TypedFolder(" " + Q(sample.dir.path()) + "\n"),
             std::optional<QString>(Q(sample.dir.path())));
    QVERIFY(!vellum::ui::TypedFolder("sub").has_value());  // relative: to what?

    // Cancelled with a path half typed, the chooser opens again on its tree's folder.
    AnswerNextModal<FolderChooser>([&](FolderChooser& chooser) {
        chooser.findChild<QLineEdit*>("pathEdit")->setText("/no/such/fold");
        chooser.reject();
    });
    (void)dialogs.ChooseFolder();
    bool reopened = false;
    AnswerNextModal<FolderChooser>([&](FolderChooser& chooser) {
        reopened = chooser.PathLabelText() == Q(sample.dir / "sub") &&
                   chooser.findChild<QPushButton*>("okButton")->isEnabled();
        chooser.reject();
    });
    (void)dialogs.ChooseFolder();
    QVERIFY(reopened);
}

void DialogsTest::geometry_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");  // empty: the client area
    QTest::addColumn<QRect>("expected");
    // Controls that hold a text may stand further right and be wider than designed, where the
    // font needs it; never less.
    QTest::addColumn<bool>("floor");
    const QString chooser = "FolderChooser", values = "ValuesDialog",
                  progress = "AddProgressWindow";
    QTest::newRow("chooser client") << chooser << "" << QRect(0, 0, 640, 510) << false;
    QTest::newRow("tree") << chooser << "tree" << QRect(8, 24, 345, 209) << false;
    QTest::newRow("mask") << chooser << "maskBox" << QRect(120, 264, 49, 21) << true;
    QTest::newRow("OK") << chooser << "okButton" << QRect(184, 264, 75, 25) << true;
    QTest::newRow("preview") << chooser << "preview" << QRect(8, 304, 617, 169) << false;
    QTest::newRow("values client") << values << "" << QRect(0, 0, 683, 167) << true;
    QTest::newRow("filename") << values << "filenameBox" << QRect(64, 8, 609, 21) << true;
    QTest::newRow("md5") << values << "md5Box" << QRect(64, 128, 225, 21) << true;
    QTest::newRow("progress client") << progress << "" << QRect(0, 0, 176, 91) << true;
    QTest::newRow("skipped count") << progress << "skippedCount" << QRect(96, 64, 0, 0) << true;
}

void DialogsTest::geometry() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QRect, expected);
    QFETCH(bool, floor);
    std::unique_ptr<QDialog> form;
    if (window == "FolderChooser") form = std::make_unique<FolderChooser>();
    if (window == "ValuesDialog") form = std::make_unique<ValuesDialog>();
    if (window == "AddProgressWindow") form = std::make_unique<AddProgressWindow>();
    const QWidget* widget = control.isEmpty() ? form.get() : form->findChild<QWidget*>(control);
    QVERIFY(widget);
    const QRect actual = control.isEmpty() ? form->rect() : widget->geometry();
    QCOMPARE(actual.y(), expected.y());
    if (expected.height() > 0) QCOMPARE(actual.height(), expected.height());
    if (floor) {
        QVERIFY2(actual.x() >= expected.x() && actual.width() >= expected.width(),
                 qPrintable(QString("%1 wide at %2").arg(actual.width()).arg(actual.x())));
    } else {
        QCOMPARE(actual.topLeft(), expected.topLeft());
        QCOMPARE(actual.size(), expected.size());
    }
    if (window != "FolderChooser" && control.isEmpty())
        QCOMPARE(form->minimumSize(), form->maximumSize());
}

// In the font the tests run under: every box shows its longest value whole, every caption ends
// before the control beside it.
void DialogsTest::textsFitTheirControls() {
    ValuesDialog values;
    const std::pair<const char*, QString> longest[] = {{"sizeBox", "0123456789"},
                                                       {"crc16Box", "0123456789ABCDEF"},
                                                       {"crc32Box", "0123456789ABCDEF"},
                                                       {"chksumBox", "0123456789ABCDEF"},
                                                       {"md5Box", "0123456789abcdef"}};
    const int digits[] = {12, 4, 8, 4, 32};
    for (std::size_t k = 0; k < std::size(longest); ++k) {
        auto* edit = values.findChild<QLineEdit*>(longest[k].first);
        for (QChar glyph : longest[k].second) {
            edit->setText(QString(digits[k], glyph));
            edit->end(false);
            QVERIFY2(edit->cursorPositionAt(QPoint(4, edit->height() / 2)) == 0,
                     qPrintable(edit->text() + " scrolls in " + edit->objectName()));
        }
    }
    for (QLabel* caption : values.findChildren<QLabel*>())
        QVERIFY(caption->geometry().right() < values.findChild<QLineEdit*>("filenameBox")->x());

    AddProgressWindow progress;
    const auto* counts = progress.findChild<QLabel*>("folderCount");
    for (const char* name : {"addedCaption", "folderCaption", "skippedCaption"}) {
        const auto* caption = progress.findChild<QLabel*>(name);
        QVERIFY(caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()) <
                counts->x());
    }
    QVERIFY(counts->fontMetrics().horizontalAdvance("8888888888") <= counts->width());
    QVERIFY(counts->geometry().right() < progress.width());

    FolderChooser chooser;
    auto* mask = chooser.findChild<QComboBox*>("maskBox");
    mask->setCurrentText("*.backup");
    mask->lineEdit()->end(false);
    QCOMPARE(mask->lineEdit()->cursorPositionAt(QPoint(4, mask->lineEdit()->height() / 2)), 0);
    const auto* label1 = chooser.findChild<QLabel*>("maskCaption");
    QVERIFY(label1->x() + label1->fontMetrics().horizontalAdvance(label1->text()) < mask->x());
    QVERIFY(mask->geometry().right() < chooser.findChild<QPushButton*>("okButton")->x());
}

void DialogsTest::fileDialogSettings() {
    const auto open1 = vellum::ui::MakeOpenDialog1(nullptr, "/tmp");
    QCOMPARE(open1->fileMode(), QFileDialog::ExistingFiles);
    QCOMPARE(open1->directory().absolutePath(), QString("/tmp"));
    QCOMPARE(open1->nameFilters(), QStringList{"All Files (*)"});

    const auto save1 = vellum::ui::MakeSaveDialog1(nullptr);
    QCOMPARE(save1->nameFilters(), (QStringList{"csv (*.csv)", "tabbed txt (*.txt)",
                                                "md5sum list (*.md5)", "SFV (*.sfv)"}));
    QCOMPARE(vellum::ui::SelectedFilterIndex(*save1), 1);

    const auto open2 = vellum::ui::MakeOpenDialog2(nullptr);
    QCOMPARE(open2->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(open2->nameFilters().first(), QString("CSV (*.csv)"));
    QCOMPARE(open2->nameFilters().last(), QString("All files (*)"));
    QCOMPARE(open2->defaultSuffix(), QString());
}

namespace {

// Every row's size, type and date in the detail view, and every caption, drawn whole, and all
// four columns in view at once.
bool ColumnsReadWhole(const QTreeView& tree, const QModelIndex& folder) {
    if (tree.header()->length() > tree.viewport()->width()) return false;
    const int margins = 2 * (tree.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int column = 1; column < 4; ++column) {
        if (tree.header()->sectionSize(column) < tree.header()->sectionSizeHint(column))
            return false;
        for (int row = 0; row < tree.model()->rowCount(folder); ++row) {
            const QModelIndex cell = tree.model()->index(row, column, folder);
            const int text = tree.fontMetrics().horizontalAdvance(cell.data().toString());
            if (tree.visualRect(cell).width() < text + margins) return false;
        }
    }
    return true;
}

}  // namespace

// The detail view's columns read whole in the folder shown; the size the user gives a file
// dialog is the size the next one opens at, in this run and, through the settings file, the next.
void DialogsTest::fileDialogColumnsReadWholeAndTheSizeIsKept() {
    vellum::test::TempDir dir;
    dir.Write("notes.txt", std::string(709, 'n'));
    dir.Write("archive.tar.gz", "\x1f\x8b");
    std::filesystem::resize_file(dir.Write("big.bin", ""), std::uintmax_t{50} << 20);
    vellum::test::TempDir settings;
    const std::string ini = settings / "vellum.INI";
    QSize given;
    {
        vellum::ui::QtDialogs dialogs(nullptr);
        dialogs.KeepSizesIn(ini);
        AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
            // A failed check must still close the dialog, or the test would wait forever.
            [&] {
                dialog.setDirectory(Q(dir.path()));
                auto* tree = dialog.findChild<QTreeView*>("treeView");
                const auto* files = qobject_cast<QFileSystemModel*>(tree->model());
                const QModelIndex folder = files->index(Q(dir.path()));
                QTRY_COMPARE(files->rowCount(folder), 3);
                QTRY_VERIFY(ColumnsReadWhole(*tree, folder));
                // The places beside it read whole too ("Computer", not "Com...").
                const auto* places = dialog.findChild<QAbstractItemView*>("sidebar");
                QVERIFY(places->width() >= places->sizeHintForColumn(0));
                dialog.resize(dialog.size() + QSize(37, 23));
                given = dialog.size();
            }();
            dialog.reject();
        });
        (void)dialogs.ChooseFiles("");
        QSize next;
        AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
            next = dialog.size();
            dialog.reject();
        });
        (void)dialogs.ChooseImportFile();
        QCOMPARE(next, given);
    }
    vellum::ui::QtDialogs later(nullptr);
    later.KeepSizesIn(ini);
    QSize opened;
    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
        opened = dialog.size();
        dialog.reject();
    });
    (void)later.ChooseExportFile();
    QCOMPARE(opened, given);
}

void DialogsTest::exportDialogReturnsPathAndFileType() {
    vellum::test::TempDir dir;
    dir.Write("list.txt", "old");  // an overwrite question would stop the test here
    vellum::ui::QtDialogs dialogs(nullptr);
    // The other tools' types take their own suffix.
    const std::tuple<QString, std::string, int> cases[] = {
        {"tabbed txt (*.txt)", "list.txt", 2},
        {"md5sum list (*.md5)", "list.md5", 3},
        {"SFV (*.sfv)", "list.sfv", 4},
    };
    for (const auto& [filter, file, index] : cases) {
        AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
            dialog.setDirectory(Q(dir.path()));
            dialog.selectNameFilter(filter);
            dialog.selectFile("list");
            static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept, as the button runs it
        });
        const auto choice = dialogs.ChooseExportFile();
        QVERIFY(choice.has_value());
        QCOMPARE(choice->path, dir / file);
        QCOMPARE(choice->filterIndex, index);
    }

    AnswerNextModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    QVERIFY(!dialogs.ChooseExportFile().has_value());
}

// Each shown digest brings its sum list and its tag list after the four; a name typed without
// a suffix takes the type's.
void DialogsTest::exportDialogOffersTheShownDigestsLists() {
    const auto shown = vellum::MaskOf(vellum::DigestKind::Sha256);
    const QStringList filters = vellum::ui::MakeSaveDialog1(nullptr, shown)->nameFilters();
    QCOMPARE(filters.mid(0, 4), vellum::ui::MakeSaveDialog1(nullptr)->nameFilters());
    QCOMPARE(filters.mid(4),
             (QStringList{"sha256sum list (*.sha256)", "SHA256 tag list (*.sha256)"}));

    vellum::test::TempDir dir;
    vellum::ui::QtDialogs dialogs(nullptr);
    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
        dialog.setDirectory(Q(dir.path()));
        dialog.selectNameFilter("b2sum list (*.b2)");
        dialog.selectFile("list");
        static_cast<QDialog&>(dialog).accept();
    });
    const auto choice =
        dialogs.ChooseExportFile(shown | vellum::MaskOf(vellum::DigestKind::Blake2b));
    QVERIFY(choice.has_value());
    QCOMPARE(choice->path, dir / "list.b2");
    QCOMPARE(choice->filterIndex, 7);
}

// md5sum lists are often called MD5SUMS: the dialog must not look for "MD5SUMS.csv".
void DialogsTest::importDialogTakesAListOfAnyName() {
    vellum::test::TempDir dir;
    const std::string list = dir.Write("MD5SUMS", "");
    vellum::ui::QtDialogs dialogs(nullptr);
    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
        dialog.setDirectory(Q(dir.path()));
        dialog.selectFile("MD5SUMS");
        static_cast<QDialog&>(dialog).accept();
    });
    QCOMPARE(dialogs.ChooseImportFile(), std::optional<std::string>(list));
}

void DialogsTest::importDialogNamesTheDigestsLists() {
    const QStringList filters = vellum::ui::MakeOpenDialog2(nullptr)->nameFilters();
    for (const char* list :
         {"sha1sum list (*.sha1 *SHA1SUMS*)", "sha256sum list (*.sha256 *SHA256SUMS*)",
          "sha512sum list (*.sha512 *SHA512SUMS*)", "b2sum list (*.b2 *B2SUMS*)"})
        QVERIFY2(filters.contains(list), list);
}

void DialogsTest::chooseFolderKeepsTheChooser() {
    Sample sample;
    vellum::ui::QtDialogs dialogs(nullptr);
    AnswerNextModal<FolderChooser>([&](FolderChooser& chooser) {
        chooser.SelectPath(sample.dir / "sub");
        chooser.SetMaskText("");
        chooser.reject();
    });
    QVERIFY(!dialogs.ChooseFolder().has_value());
    AnswerNextModal<FolderChooser>(
        [](FolderChooser& chooser) { chooser.findChild<QPushButton*>("okButton")->click(); });
    const auto choice = dialogs.ChooseFolder();
    QVERIFY(choice.has_value());
    QCOMPARE(choice->folder, sample.dir / "sub");
    QCOMPARE(choice->mask, std::string());  // as typed: Add folder makes it "*.*"
}

void DialogsTest::confirmCountsOnlyYes_data() {
    QTest::addColumn<int>("key");  // or a button to click
    QTest::addColumn<bool>("expected");
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("No") << int(QMessageBox::No) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Enter") << int(Qt::Key_Return) << false;
}

void DialogsTest::confirmCountsOnlyYes() {
    QFETCH(int, key);
    QFETCH(bool, expected);
    vellum::ui::QtDialogs dialogs(nullptr);
    QString shown;
    AnswerNextModal<QMessageBox>([key, &shown](QMessageBox& box) {
        shown = box.text();
        if (QAbstractButton* button = box.button(QMessageBox::StandardButton(key)))
            button->click();
        else
            QTest::keyClick(&box, Qt::Key(key));
    });
    QCOMPARE(dialogs.Confirm("Clear all?"), expected);
    QCOMPARE(shown, QString("Clear all?"));
}

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
