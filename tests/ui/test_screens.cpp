// The main window on whatever screen the test runs on (CTest runs it on small screens at
// several scales): it opens whole inside the screen's available area, it can be made as small as
// its minimum and still fits, and every control then stays inside the screen and usable. The
// place it is left in is where it opens next, as long as that still fits.
#include <QDebug>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "net/install_id.h"
#include "platform/ini.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "ui/folder_chooser.h"
#include "ui/hex_layout.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_fit.h"
#include "ui/web_panel.h"

using vellum::test::TempDir;
using vellum::test::Window;

namespace {

QRect Area(const QWidget& window) {
    return window.screen()->availableGeometry();
}

// What of the window lies outside the screen's area: its frame, or a control shown (past the
// window's own client area too); empty when nothing does.
QString OutsideTheScreen(const QWidget& window) {
    const QRect client(window.mapToGlobal(QPoint(0, 0)), window.size());
    QString outside;
    {
        QDebug said(&outside);  // written out when it goes
        if (!Area(window).contains(window.frameGeometry())) said << window.frameGeometry();
        for (const QWidget* control : window.findChildren<QWidget*>()) {
            if (control->isWindow() || !control->isVisibleTo(&window)) continue;
            const QRect rect(control->mapToGlobal(QPoint(0, 0)), control->size());
            if (!Area(window).contains(rect) || !client.contains(rect)) said << control << rect;
        }
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
        QCOMPARE(OutsideTheScreen(*w.main), QString());
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
        QCOMPARE(OutsideTheScreen(*w.main), QString());
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
        QCOMPARE(OutsideTheScreen(*w.main), QString());
    }

    // The folder chooser and the file dialogs open whole inside the screen too, their controls
    // inside them.
    void dialogsOpenWholeInsideTheScreen() {
        vellum::ui::FolderChooser chooser;
        const std::unique_ptr<QFileDialog> files = vellum::ui::MakeOpenDialog1(nullptr, "/");
        for (QWidget* dialog :
             {static_cast<QWidget*>(&chooser), static_cast<QWidget*>(files.get())}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QCOMPARE(OutsideTheScreen(*dialog), QString());
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
