// The main window on whatever screen the test runs on (CTest runs it on small screens at
// several scales): it opens whole inside the screen's available area, it can be made as small as
// its minimum and still fits, and every control then stays inside the screen and usable. The
// place it is left in is where it opens next, as long as that still fits.
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "net/install_id.h"
#include "platform/ini.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "ui/hex_layout.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_fit.h"
#include "ui/select_dir.h"
#include "ui/web_panel.h"

using vellum::test::TempDir;
using vellum::test::Window;

namespace {

QRect Area(const QWidget& window) {
    return window.screen()->availableGeometry();
}

// The controls shown that reach past the screen's area or the window's own client area.
QStringList ControlsOutside(const QWidget& window) {
    const QRect client(window.mapToGlobal(QPoint(0, 0)), window.size());
    const QRect area = Area(window);
    QStringList outside;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (control->isWindow() || !control->isVisibleTo(&window)) continue;
        const QRect rect(control->mapToGlobal(QPoint(0, 0)), control->size());
        if (!area.contains(rect) || !client.contains(rect))
            outside << QString("%1 %2 at %3,%4 %5x%6")
                           .arg(control->metaObject()->className(), control->objectName())
                           .arg(rect.x())
                           .arg(rect.y())
                           .arg(rect.width())
                           .arg(rect.height());
    }
    return outside;
}

std::vector<std::string> Files(TempDir& dir, int count) {
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
        files.push_back(dir.Write("file-" + std::to_string(i) + ".txt", std::string(i + 1, 'v')));
    return files;
}

}  // namespace

class ScreensTest final : public QObject {
    Q_OBJECT

  private slots:
    void opensWholeInsideTheScreen() {
        TempDir dir;
        std::vector<std::string> args = Files(dir, 3);
        args.insert(args.begin(), "-noautocheck");
        Window w(args);
        const QRect area = Area(*w.main);
        QVERIFY2(area.contains(w.main->frameGeometry()),
                 qPrintable(QString("%1,%2 %3x%4 on %5x%6")
                                .arg(w.main->x())
                                .arg(w.main->y())
                                .arg(w.main->frameGeometry().width())
                                .arg(w.main->frameGeometry().height())
                                .arg(area.width())
                                .arg(area.height())));
        const QStringList outside = ControlsOutside(*w.main);
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join("; ")));
        // Where the screen has room, the window keeps the size it was designed at.
        const QSize design(vellum::ui::kMainWidth, vellum::ui::kMainHeight);
        const QSize frame = w.main->frameGeometry().size() - w.main->size();
        if (area.width() >= design.width() + frame.width() && area.height() >= 700)
            QCOMPARE(w.main->size(), design);
    }

    void smallestWindowFitsAndShowsEveryColumn() {
        TempDir dir;
        std::vector<std::string> args = Files(dir, 3);
        args.insert(args.begin(), "-noautocheck");
        Window w(args);
        w.ChooseDigest(vellum::DigestKind::Sha512);  // the widest column there is
        const QSize least = w.main->minimumSize();
        const QSize frame = w.main->frameGeometry().size() - w.main->size();
        QVERIFY(Area(*w.main).width() >= least.width() + frame.width());
        QVERIFY(Area(*w.main).height() >= least.height() + frame.height());
        w.main->resize(least);
        QTRY_COMPARE(w.main->size(), least);
        const QStringList outside = ControlsOutside(*w.main);
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join("; ")));
        QVERIFY(w.main->webPanel().isVisible() && w.main->haltButton().isVisible());

        // The list's last column scrolls into view beside the path, which keeps room to be read.
        vellum::ui::ListGrid& grid = w.main->grid();
        QVERIFY(grid.columnWidth(0) >= vellum::ui::kPathColumnMinimum);
        QScrollBar* sideways = grid.horizontalScrollBar();
        sideways->setValue(sideways->maximum());
        const int last = w.model().columnCount() - 1;
        QTRY_VERIFY(grid.visualRect(w.model().index(1, last)).right() < grid.viewport()->width());

        // So do the hex view's last bytes, beside the offsets that stay in place.
        vellum::ui::HexGrid& hex = *w.main->hexView().grid();
        w.ClickCell(1, 0);
        hex.SetCurrentCell(vellum::ui::kHexColumnCount - 1, 1);
        const QRect lastByte = hex.cellRect(vellum::ui::kHexColumnCount - 1, 1);
        QVERIFY(!lastByte.isEmpty() && lastByte.right() < hex.viewport()->width());
        QCOMPARE(hex.cellRect(0, 1).left(), 0);

        // A status line cut by the narrow bar is read whole in its tooltip.
        QLabel& status = w.main->statusPanel();
        if (status.fontMetrics().horizontalAdvance(status.text()) > status.contentsRect().width())
            QCOMPARE(status.toolTip(), status.text());
    }

    // The list pass grows the window to show its rows, but never past the screen's bottom.
    void growingForTheRowsStopsAtTheScreensEdge() {
        TempDir dir;
        Window w({"-noautocheck"});
        w.main->resize(w.main->minimumSize());
        QTRY_COMPARE(w.main->size(), w.main->minimumSize());
        w.dialogs->files.push_back(Files(dir, 40));
        w.Menu("Add files");
        QCOMPARE(w.ctx().state.RowCount, 41);
        QVERIFY(w.main->height() > w.main->minimumHeight());
        QVERIFY(Area(*w.main).contains(w.main->frameGeometry()));
    }

    // The folder chooser and the file dialogs open whole inside the screen too, their controls
    // inside them.
    void dialogsOpenWholeInsideTheScreen() {
        vellum::ui::TSelectDir chooser;
        const std::unique_ptr<QFileDialog> files = vellum::ui::MakeOpenDialog1(nullptr, "/");
        for (QWidget* dialog :
             {static_cast<QWidget*>(&chooser), static_cast<QWidget*>(files.get())}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QVERIFY2(Area(*dialog).contains(dialog->frameGeometry()),
                     dialog->metaObject()->className());
            const QStringList outside = ControlsOutside(*dialog);
            QVERIFY2(outside.isEmpty(), qPrintable(outside.join("; ")));
            dialog->hide();
        }
    }

    // Moved and resized, the window opens there at the next start; the settings file keeps it.
    void placeIsKeptFromOneStartToTheNext() {
        TempDir settings;
        const std::string ini = settings / "vellum.INI";
        const QRect area = Area(*Window({"-noautocheck"}, {}, ini).main);
        const QRect place(area.x() + 7, area.y() + 5, area.width() / 2 + 101,
                          area.height() / 2 + 3);
        {
            Window w({"-noautocheck"}, {}, ini);
            w.main->resize(place.size());
            w.main->move(place.topLeft());
            QTRY_COMPARE(w.main->pos(), place.topLeft());
            w.main->close();
        }
        QVERIFY(vellum::test::ReadAll(ini).find("WindowPlace=") != std::string::npos);
        Window again({"-noautocheck"}, {}, ini);
        QCOMPARE(again.main->pos(), place.topLeft());
        QCOMPARE(again.main->size(), place.size());
        QVERIFY(Area(*again.main).contains(again.main->frameGeometry()));
    }

    // Left on a screen that is no longer there, or larger than this one, it opens inside this one.
    void placeThatNoLongerFitsIsPassedOver() {
        TempDir settings;
        const std::string ini = settings / "vellum.INI";
        const QRect area = Area(*Window({"-noautocheck"}, {}, ini).main);
        for (const QRect& gone : {QRect(area.right() + 100, area.y(), 400, 300),
                                  QRect(area.topLeft(), area.size() + QSize(200, 200))}) {
            QVERIFY(vellum::platform::IniWrite(ini, vellum::net::kSettingsSection, "WindowPlace",
                                               vellum::ui::PlaceText(gone)));
            Window w({"-noautocheck"}, {}, ini);
            QVERIFY(area.contains(w.main->frameGeometry()));
        }
    }
};

QTEST_MAIN(ScreensTest)
#include "test_screens.moc"
