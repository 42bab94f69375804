// The list from the keyboard: every key does what its mouse twin does, run side by side on two
// windows over the same files; copying a row, the tab order, and the tooltip of a cut path.
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>

#include "filelist/list_context.h"
#include "interchange/export_line.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"

using vellum::EntryStatus;
using vellum::test::TempDir;
using vellum::test::Window;

namespace {

// What a user can see after an action: the highlight, the hex view, the values dialog, the
// menu and the rows' statuses.
struct Look {
    int selected = 0;
    std::string viewed;
    bool valuesShown = false;
    QString valuesPath;
    bool menuShown = false;
    std::vector<EntryStatus> statuses;
    bool operator==(const Look&) const = default;
};

Look LookAt(Window& w) {
    Look look{w.ctx().state.SelectedRow,          w.main->hexView().ViewedPath(),
              w.main->valuesDialog().isVisible(), w.main->valuesDialog().BoxText(1),
              w.main->popupMenu().isVisible(),    {}};
    for (std::int32_t i = 1; i < w.ctx().state.RowCount; ++i)
        look.statuses.push_back(w.ctx().table[i].status);
    w.main->popupMenu().hide();
    return look;
}

enum class Mouse { Click, DoubleClick, RightPress };

struct Twin {
    const char* name;
    int startRow;  // clicked first in both windows (0: none)
    int startColumn;
    bool inPass;  // Processing and Updating set, as while a pass reads
    Mouse mouse;
    int mouseRow;  // -1: the last row, -2: one page below the start
    QKeySequence keys;
};

constexpr int kFiles = 40;

}  // namespace

class KeyboardTest final : public QObject {
    Q_OBJECT

    TempDir dir_;
    std::vector<std::string> files_;

    // A window listing the files, more than the list shows at once.
    std::unique_ptr<Window> Listing() {
        auto w = std::make_unique<Window>(std::vector<std::string>{"-noautocheck"});
        w->dialogs->files.push_back(files_);
        w->Menu("Add files");
        return w;
    }

  private slots:
    void initTestCase() {
        for (int i = 0; i < kFiles; ++i)
            files_.push_back(dir_.Write("f" + std::to_string(100 + i), std::string(i, 'k')));
    }

    void keysDoWhatTheMouseDoes() {
        const Twin twins[] = {
            {"Down", 1, 0, false, Mouse::Click, 2, QKeySequence(Qt::Key_Down)},
            {"Down with nothing selected", 0, 0, false, Mouse::Click, 1,
             QKeySequence(Qt::Key_Down)},
            {"Up", 3, 0, false, Mouse::Click, 2, QKeySequence(Qt::Key_Up)},
            {"Up at the top", 1, 0, false, Mouse::Click, 1, QKeySequence(Qt::Key_Up)},
            {"Home", 5, 0, false, Mouse::Click, 1, QKeySequence(Qt::Key_Home)},
            {"End", 1, 0, false, Mouse::Click, -1, QKeySequence(Qt::Key_End)},
            {"Page Down", 1, 0, false, Mouse::Click, -2, QKeySequence(Qt::Key_PageDown)},
            {"Page Up", 40, 0, false, Mouse::Click, 1,
             QKeySequence(Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageUp)},
            // A click on a Status cell flags its row; moving on from there flags nothing.
            {"Down from the Status column", 1, 6, false, Mouse::Click, 2,
             QKeySequence(Qt::Key_Down)},
            {"Down during a pass", 1, 0, true, Mouse::Click, 2, QKeySequence(Qt::Key_Down)},
            {"Enter", 2, 0, false, Mouse::DoubleClick, 2, QKeySequence(Qt::Key_Return)},
            {"Enter during a pass", 2, 0, true, Mouse::DoubleClick, 2, QKeySequence(Qt::Key_Enter)},
            {"Menu key", 2, 0, false, Mouse::RightPress, 2, QKeySequence(Qt::Key_Menu)},
            {"Shift+F10", 2, 0, false, Mouse::RightPress, 2,
             QKeySequence(Qt::ShiftModifier | Qt::Key_F10)},
            {"Menu key during a pass", 2, 0, true, Mouse::RightPress, 2,
             QKeySequence(Qt::Key_Menu)},
        };
        for (const Twin& twin : twins) {
            const auto mouseWindow = Listing(), keysWindow = Listing();
            Window &mouse = *mouseWindow, &keys = *keysWindow;
            for (Window* w : {&mouse, &keys}) {
                if (twin.startRow > 0) w->ClickCell(twin.startRow, twin.startColumn);
                w->ctx().state.Processing = w->ctx().state.Updating = twin.inPass;
            }
            const int page = mouse.main->grid().pageRows();
            const int row = twin.mouseRow == -1   ? kFiles
                            : twin.mouseRow == -2 ? twin.startRow + page
                                                  : twin.mouseRow;
            QWidget* viewport = mouse.main->grid().viewport();
            if (twin.mouse == Mouse::Click) mouse.ClickCell(row, 0);
            if (twin.mouse == Mouse::DoubleClick) mouse.DoubleClickCell(row, 0);
            if (twin.mouse == Mouse::RightPress)
                QTest::mousePress(viewport, Qt::RightButton, {}, mouse.CellCentre(row, 0));
            QTest::keySequence(&keys.main->grid(), twin.keys);
            const Look expected = LookAt(mouse);
            const Look actual = LookAt(keys);
            QVERIFY2(actual == expected,
                     qPrintable(QString("%1: selected %2 (mouse %3), menu %4 (mouse %5)")
                                    .arg(twin.name)
                                    .arg(actual.selected)
                                    .arg(expected.selected)
                                    .arg(actual.menuShown)
                                    .arg(expected.menuShown)));
            for (Window* w : {&mouse, &keys})
                w->ctx().state.Processing = w->ctx().state.Updating = false;
        }
    }

    void copyPutsTheSelectedRowOnTheClipboard() {
        const auto window = Listing();
        Window& w = *window;
        QApplication::clipboard()->setText("before");
        QTest::keySequence(&w.main->grid(), QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QString("before"));  // nothing selected
        w.ClickCell(3, 0);
        QTest::keySequence(&w.main->grid(), QKeySequence::Copy);
        std::string line =
            vellum::ExportLine(std::as_const(w.ctx().table)[3], vellum::ExportLayout::Csv);
        line.resize(line.size() - 2);  // one line, without its line break
        QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(line));
    }

    void tabRunsListHexViewHaltAndSpacePressesIt() {
        Window w({"-noautocheck"});
        w.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
        w.main->grid().setFocus();
        QPushButton& halt = w.main->haltButton();
        const QWidget* order[] = {w.main->hexView().grid(), &halt, &w.main->grid()};
        for (const QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        halt.setFocus();
        QTest::keyClick(&halt, Qt::Key_Space);
        QCOMPARE(halt.text(), QString("Resume Calculation"));
        QVERIFY(w.ctx().state.HaltRequested);
    }

    // While the list has the focus a mark goes around the row the keys move from, over every
    // column; it goes when the focus does.
    void theFocusMarkGoesAroundTheSelectedRow() {
        Window w({"-noautocheck", files_[0], files_[1], files_[2]});
        w.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
        vellum::ui::ListGrid& grid = w.main->grid();
        w.ClickCell(2, 1);
        grid.setFocus();
        QTRY_VERIFY(grid.hasFocus());
        const QRect row =
            grid.visualRect(w.model().index(2, 0)).united(grid.visualRect(w.model().index(2, 6)));
        // Black on the row's top edge, where no text reaches.
        const auto inkOnTopEdge = [&] {
            const QImage image = grid.viewport()->grab().toImage();
            const qreal ratio = image.devicePixelRatio();
            int ink = 0;
            for (int x = row.left(); x <= row.right(); ++x)
                ink += image.pixelColor(QPoint(x, row.top()) * ratio) == Qt::black;
            return ink;
        };
        QVERIFY(inkOnTopEdge() > row.width() / 4);
        w.main->hexView().grid()->setFocus();
        QTRY_VERIFY(!grid.hasFocus());
        QCOMPARE(inkOnTopEdge(), 0);
    }

    void aCutPathShowsWholeAsTheTooltip() {
        TempDir dir;
        const std::string longPath = dir.Write(std::string(150, 'n') + ".bin", "x");
        Window w({"-noautocheck", dir.Write("short", "y"), longPath});
        QWidget* viewport = w.main->grid().viewport();
        const auto hover = [&](int row, int column) {
            const QPoint at = w.CellCentre(row, column);
            QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
            QApplication::sendEvent(viewport, &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(hover(1, 0), QString());
        QCOMPARE(hover(2, 5), QString());  // a digest fits its column
        QCOMPARE(hover(2, 0), QString::fromStdString(longPath));
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
