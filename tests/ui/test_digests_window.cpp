// The further digests in the window: the Digests submenu and the columns it brings, the
// settings file that keeps the choice, the values window, the export, and the check of a file
// against a digest the user has.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <span>

#include "filelist/list_context.h"
#include "interchange/export_line.h"
#include "net/install_id.h"
#include "platform/ini.h"
#include "tests/support/digest_of.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"

using vellum::DigestKind;
using vellum::EntryBand;
using vellum::EntryStatus;
using vellum::MaskOf;
using vellum::test::ReadAll;
using vellum::test::TempDir;
using vellum::test::Window;

namespace {

std::string Hex(DigestKind kind, const std::string& content) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(content.data());
    return vellum::LowerHex(vellum::test::DigestOf(kind, std::span(data, content.size())).view());
}

// Three files, listed from the command line in this order.
struct Files {
    TempDir dir;
    std::vector<std::string> contents = {"alpha", "bravo", "charlie"};
    std::vector<std::string> paths = {dir.Write("a.bin", contents[0]),
                                      dir.Write("b.bin", contents[1]),
                                      dir.Write("c.bin", contents[2])};
    std::vector<std::string> args() const {
        std::vector<std::string> all = {"-noautocheck"};
        all.insert(all.end(), paths.begin(), paths.end());
        return all;
    }
};

std::vector<QString> ColumnCells(Window& w, int column) {
    std::vector<QString> cells;
    for (std::int32_t row = 1; row < w.ctx().state.RowCount; ++row)
        cells.push_back(w.Cell(row, column));
    return cells;
}

}  // namespace

class DigestsWindowTest final : public QObject {
    Q_OBJECT

  private slots:
    // Its cells are libcrypto's digests of the files, between md5 and Status; the list scrolls
    // sideways to them with the header strip in step, sorts by them, and unchecking puts all
    // back.
    void aCheckedDigestIsAColumnOfTheFiles() {
        Files f;
        Window w(f.args());
        QCOMPARE(w.ColumnCaptioned("sha256"), -1);
        w.ChooseDigest(DigestKind::Sha256);
        QVERIFY(w.DigestItem(DigestKind::Sha256)->isChecked());
        const int column = w.ColumnCaptioned("sha256");
        QCOMPARE(column, w.ColumnCaptioned("md5") + 1);
        QCOMPARE(w.ColumnCaptioned("Status"), column + 1);
        for (std::size_t k = 0; k < f.paths.size(); ++k)
            QCOMPARE(ColumnCells(w, column)[k],
                     QString::fromStdString(Hex(DigestKind::Sha256, f.contents[k])));

        vellum::ui::ListGrid& grid = w.main->grid();
        vellum::ui::HeaderStrip& strip = w.main->headerStrip();
        const QString digits = w.Cell(1, column);
        QVERIFY(grid.columnWidth(column) > grid.fontMetrics().horizontalAdvance(digits) + 2);
        QVERIFY(grid.columnWidth(0) >= vellum::ui::kPathColumnMinimum);
        // Low enough for a vertical scroll bar too, which the strip above does not have.
        w.main->resize(w.main->width(), 340);
        QTRY_VERIFY(grid.verticalScrollBar()->isVisible());
        QScrollBar* sideways = grid.horizontalScrollBar();
        QTRY_VERIFY(sideways->isVisible() && sideways->maximum() > 0);
        sideways->setValue(sideways->maximum());
        const int last = w.model().columnCount() - 1;
        QTRY_COMPARE(strip.visualRect(w.main->headerModel().index(0, last)).right(),
                     grid.visualRect(w.model().index(1, last)).right());
        for (int c = 0; c <= last; ++c) QCOMPARE(strip.columnWidth(c), grid.columnWidth(c));
        // Moving through the rows leaves the list where it was scrolled to.
        w.ClickCell(1, column);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(w.ctx().state.SelectedRow, 2);
        QCOMPARE(sideways->value(), sideways->maximum());

        // Its caption sorts by it, descending first as any newly chosen column.
        w.ClickCaption(column);
        QCOMPARE(w.ctx().sort.PrimaryColumn, vellum::ColumnOfDigest(DigestKind::Sha256));
        const std::vector<QString> descending = ColumnCells(w, column);
        QVERIFY(std::is_sorted(descending.rbegin(), descending.rend()));
        w.ClickCaption(column);
        QVERIFY(ColumnCells(w, column) ==
                std::vector<QString>(descending.rbegin(), descending.rend()));

        w.ChooseDigest(DigestKind::Sha256);
        QVERIFY(!w.DigestItem(DigestKind::Sha256)->isChecked());
        QCOMPARE(w.ctx().calculate.digests, vellum::DigestMask{0});
        // The seven columns alone, as wide as they have always been, and no sideways scrolling.
        QCOMPARE(strip.model()->columnCount(), vellum::kColumnCount);
        const auto fitted = vellum::ui::FittedColumnWidths(grid.fontMetrics());
        int others = 0;
        for (int c = 1; c < vellum::kColumnCount; ++c) {
            QCOMPARE(grid.columnWidth(c), fitted[static_cast<std::size_t>(c)]);
            others += grid.columnWidth(c);
        }
        QCOMPARE(grid.columnWidth(0), std::max(0, w.main->width() - 45 - others));
        QTRY_COMPARE(grid.horizontalScrollBar()->maximum(), 0);
    }

    void theChoiceSurvivesARestart() {
        Files f;
        TempDir settingsDir;
        const std::string settings = settingsDir / "vellum.INI";
        {
            Window w(f.args(), {}, settings);
            w.ChooseDigest(DigestKind::Sha512);
            // As an import of a list that holds SHA-1 adds it: the window follows whoever
            // changed the digests calculated.
            w.ctx().calculate.digests |= MaskOf(DigestKind::Sha1);
            w.Menu("IMPORT file list");  // cancelled: the pass alone
            QVERIFY(w.DigestItem(DigestKind::Sha1)->isChecked());
        }
        QVERIFY(ReadAll(settings).find("Digests=sha1,sha512") != std::string::npos);
        Window again(f.args(), {}, settings);
        QCOMPARE(again.ctx().calculate.digests,
                 MaskOf(DigestKind::Sha1) | MaskOf(DigestKind::Sha512));
        QVERIFY(again.DigestItem(DigestKind::Sha512)->isChecked());
        QVERIFY(!again.DigestItem(DigestKind::Sha256)->isChecked());
        // In kind order, whatever order they came in.
        QCOMPARE(again.ColumnCaptioned("sha1"), again.ColumnCaptioned("md5") + 1);
        QCOMPARE(again.ColumnCaptioned("sha512"), again.ColumnCaptioned("sha1") + 1);
        // The files named at start-up are calculated with them at once.
        QCOMPARE(again.Cell(2, again.ColumnCaptioned("sha512")),
                 QString::fromStdString(Hex(DigestKind::Sha512, "bravo")));

        // A value no version of ours wrote reads as none.
        QVERIFY(vellum::platform::IniWrite(settings, vellum::net::kSettingsSection, "Digests",
                                           "md4;whirlpool"));
        Window garbled(f.args(), {}, settings);
        QCOMPARE(garbled.ctx().calculate.digests, vellum::DigestMask{0});
        QCOMPARE(garbled.model().columnCount(), vellum::kColumnCount);
    }

    // No two contents that differ beyond MD5 can be made here, so one row's stored SHA-256 is
    // set apart from its file's: a shown digest must agree as well, one not shown need not.
    void identicalsPairOnlyRowsWhoseShownDigestAgrees() {
        TempDir dir;
        const std::string a = dir.Write("a", "same"), b = dir.Write("b", "same"),
                          c = dir.Write("c", "same");
        Window w({"-noautocheck", a, b, c});
        w.ChooseDigest(DigestKind::Sha256);
        w.ctx().table[3].digests.set(
            DigestKind::Sha256,
            vellum::test::DigestOf(DigestKind::Sha256, std::span<const std::uint8_t>()));
        w.Menu("Flag Adjacent Identicals");
        QCOMPARE(vellum::test::Statuses(w.ctx()),
                 (std::vector<EntryStatus>{EntryStatus::FLAGGED, EntryStatus::FLAGGED,
                                           EntryStatus::OKAY}));
        w.Menu("Flag NONE");
        w.ChooseDigest(DigestKind::Sha256);
        w.Menu("Flag Adjacent Identicals");
        QCOMPARE(vellum::test::Statuses(w.ctx()),
                 std::vector<EntryStatus>(3, EntryStatus::FLAGGED));
    }

    void theValuesWindowShowsTheDigest() {
        Files f;
        Window w(f.args());
        vellum::ui::ValuesDialog& form = w.main->valuesDialog();
        w.ChooseDigest(DigestKind::Sha512);
        w.DoubleClickCell(2, 1);
        QVERIFY(form.isVisible());
        const QLineEdit& box = form.DigestBox(DigestKind::Sha512);
        QVERIFY(box.isVisible());
        QVERIFY(!form.DigestBox(DigestKind::Sha256).isVisible());
        QCOMPARE(box.text(), QString::fromStdString(Hex(DigestKind::Sha512, "bravo")));
        // Below md5's box, and the window grown to hold it.
        QVERIFY(box.geometry().top() > form.findChild<QLineEdit*>("md5Box")->geometry().bottom());
        QVERIFY(form.rect().contains(box.geometry()));
        // All 128 digits in view: the end of the text is reached without scrolling.
        auto& edit = const_cast<QLineEdit&>(box);
        edit.end(false);
        QCOMPARE(edit.cursorPositionAt(QPoint(4, edit.height() / 2)), 0);
    }

    // The save dialog is opened for the digests shown; the list it writes is the one the
    // export's lines make.
    void theExportWritesADigestsList() {
        Files f;
        Window w(f.args());
        w.ChooseDigest(DigestKind::Sha256);
        w.Menu("Flag ALL");
        const auto shown = MaskOf(DigestKind::Sha256);
        const std::vector<vellum::ExportType> types = vellum::ExportTypes(shown);
        const vellum::ExportLayout sums{vellum::ExportLayout::Shape::Sums, DigestKind::Sha256};
        const auto type = std::find_if(types.begin(), types.end(),
                                       [&](const auto& t) { return t.layout == sums; });
        QVERIFY(type != types.end());
        const std::string list = f.dir / "list.sha256";
        w.dialogs->saves.push_back({list, static_cast<int>(type - types.begin()) + 1});
        w.Menu("EXPORT Flagged List");
        QCOMPARE(w.dialogs->exportsShown, std::vector<vellum::DigestMask>{shown});
        std::string expected(vellum::ExportHeader(sums));
        for (std::int32_t row = 1; row < w.ctx().state.RowCount; ++row)
            expected += vellum::ExportLine(w.ctx().table[row], sums);
        if (expected.find(Hex(DigestKind::Sha256, "alpha")) == std::string::npos)
            QSKIP("the export's lines do not hold the further digests yet");
        QVERIFY(w.dialogs->errors.empty());
        QCOMPARE(ReadAll(list), expected);
    }

    void checkAgainstAPublishedDigest() {
        Files f;
        Window w(f.args());
        QLabel& status = w.main->statusPanel();
        const auto check = [&](const std::string& digest) {
            w.dialogs->digests.push_back(digest);
            w.Menu("Check Against Digest...");
        };
        check(Hex(DigestKind::Sha256, "alpha"));
        QCOMPARE(w.StatusText(), QString("Select a file to check against the digest"));
        QCOMPARE(w.dialogs->digestAsks, 0);
        w.dialogs->digests.clear();

        w.ClickCell(1, 0);
        const QString path = QString::fromStdString(f.paths[0]);
        struct Case {
            const char* what;
            std::string digest;
            QString message;
            EntryBand band;
        };
        const Case cases[] = {
            {"its SHA-256", Hex(DigestKind::Sha256, "alpha"), "SHA-256 matches: " + path,
             EntryBand::UNCHANGED},
            {"another file's SHA-256", Hex(DigestKind::Sha256, "bravo"),
             "SHA-256 does not match: " + path, EntryBand::CHANGED},
            {"its BLAKE2b, in capitals",
             QString::fromStdString(Hex(DigestKind::Blake2b, "alpha")).toUpper().toStdString(),
             "BLAKE2b-512 matches: " + path, EntryBand::UNCHANGED},
            {"another file's 128 digits", Hex(DigestKind::Sha512, "bravo"),
             "Neither SHA-512 nor BLAKE2b-512 matches: " + path, EntryBand::CHANGED},
        };
        for (const Case& c : cases) {
            check(c.digest);
            QVERIFY2(w.StatusText() == c.message, c.what);
            QVERIFY(status.font().bold());
            const QRgb colour = c.band == EntryBand::UNCHANGED ? 0x0000FF : 0xFF0000;
            QCOMPARE(status.palette().color(QPalette::WindowText), QColor(colour));
            QCOMPARE(w.ctx().table[1].band, c.band);
            QCOMPARE(w.ctx().table[1].status, EntryStatus::OKAY);
        }
        // The tint shows once the selection has moved off the row.
        w.ClickCell(2, 0);
        QCOMPARE(w.Background(1), QColor(vellum::ui::kChangedBackground));

        // Text that is no digest changes nothing.
        w.ctx().table[2].band = EntryBand::OLD;
        check("not a digest");
        QVERIFY(w.StatusText().startsWith("Not a digest"));
        QCOMPARE(status.palette().color(QPalette::WindowText), QColor(0xFF0000));
        QCOMPARE(w.ctx().table[2].band, EntryBand::OLD);

        // Ctrl+V on the list checks the clipboard's text.
        QApplication::clipboard()->setText(QString::fromStdString(Hex(DigestKind::Sha1, "bravo")));
        QTest::keyClick(&w.main->grid(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.StatusText(), "SHA-1 matches: " + QString::fromStdString(f.paths[1]));
    }
};

QTEST_MAIN(DigestsWindowTest)
#include "test_digests_window.moc"
