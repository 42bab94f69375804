// The main window as a whole: start-up, geometry, the status line, halting and closing.
#include <QApplication>
#include <QFontInfo>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <atomic>

#include "filelist/list_context.h"
#include "tests/support/fake_files.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "ui/hex_view.h"

using vellum::EntryStatus;
using vellum::test::Grouped;
using vellum::test::TempDir;
using vellum::test::Window;

namespace {

// A clock on which a second passes between any two looks, so that the pass lets events
// through before every block of a file.
vellum::ListPass::Clock FastClock() {
    auto now = std::make_shared<std::int64_t>(0);
    return [now] { return *now += 1000; };
}

// Runs action once, from inside the pass's event pump, as soon as the pass is reading.
void WhenReading(Window& w, std::function<void()> action) {
    auto* poll = new QTimer(w.main.get());
    QObject::connect(poll, &QTimer::timeout, poll, [&w, poll, action = std::move(action)] {
        if (!w.ctx().state.Processing || w.main->pass().currentRow() < 1) return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(0);
}

}  // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

  private slots:
    void startUpSetsCaptionsHintAndSize() {
        Window w({"-noautocheck", "-f100"});
        QCOMPARE(w.main->windowTitle(), QString("Vellum v1.420"));
        QCOMPARE(w.main->versionBox().text(), QString("v 1.420"));
        QCOMPARE(w.main->limitPicture().toolTip(), QString("100 max files configured"));
        QCOMPARE(w.main->size(), QSize(985, 662));
        QCOMPARE(w.main->haltButton().text(), QString("Halt Calculation"));
        QVERIFY(w.main->grid().isRowHidden(0));
        // Only option words: they name no file, and no dialog opens.
        QVERIFY(w.dialogs->fileStarts.empty());
        QVERIFY(w.dialogs->errors.empty());
        QCOMPARE(w.StatusText(), QString("Listing 0 files, total 0 bytes, 0 flagged 0 bytes"));
    }

    void badFileLimitIsShownAndTheListStillWorks() {
        TempDir dir;
        const std::string a = dir.Write("a.txt", "abc");
        Window w({"-f12x", a});
        QCOMPARE(w.dialogs->errors, std::vector<std::string>{"'12x' is not a valid integer value"});
        QCOMPARE(w.main->limitPicture().toolTip(), QString("16384 max files configured"));
        QCOMPARE(w.ctx().table[1].status, EntryStatus::OKAY);
    }

    // The table doubles its limit on its own while files are added; the hint must follow.
    void limitHintFollowsTheGrowingTable() {
        TempDir dir;
        Window w({"-f2", dir.Write("a", "1"), dir.Write("b", "2"), dir.Write("c", "3")});
        QCOMPARE(w.ctx().state.RowCount, 4);
        QCOMPARE(w.main->limitPicture().toolTip(), QString("4 max files configured"));
    }

    void noPathsOpenTheAddFilesDialogAndStatusReadsNoFilesBefore() {
        TempDir dir;
        const std::string a = dir.Write("a.txt", "abc");
        std::vector<std::string> args;
        vellum::test::ScriptedDialogs* dialogs = nullptr;
        vellum::test::FakeTrash trash;
        vellum::test::KeepVersionCheckOffTheNetwork();
        vellum::ui::StartupSettings startup;
        startup.splashHold = {};
        startup.settingsPath = dir / "vellum.INI";
        vellum::ui::MainWindow main(
            args,
            [&](QWidget*) {
                auto d = std::make_unique<vellum::test::ScriptedDialogs>();
                d->files.push_back({a});
                dialogs = d.get();
                return d;
            },
            trash, {}, startup);
        QCOMPARE(main.statusPanel().text(), QString("No Files!"));
        main.show();
        QVERIFY(QTest::qWaitFor([&] { return main.startupDone(); }));
        QCOMPARE(dialogs->fileStarts, std::vector<std::string>{""});
        QCOMPARE(main.ctx().state.RowCount, 2);
        // The version check comes after the dialog and the pass; its message stands over the
        // listing until it expires.
        QCOMPARE(main.statusPanel().text(), "Checking for latest version");
        for (int tick = 0; tick < 5; ++tick) main.MessageTick();
        QCOMPARE(main.statusPanel().text(), "Listing 1 files, total 3 bytes, 0 flagged 0 bytes");
    }

    // The path column takes what the window leaves; the strip follows every change.
    void columnWidthsFollowTheWindow() {
        Window w({"-noautocheck"});
        const auto fixed = vellum::ui::FittedColumnWidths(w.main->grid().fontMetrics());
        int others = 0;
        for (int c = 1; c < 7; ++c) {
            QVERIFY(fixed[c] >= vellum::ui::kDesignColumnWidths[c]);
            others += fixed[c];
        }
        auto check = [&](int pathWidth) {
            QCOMPARE(w.main->grid().columnWidth(0), pathWidth);
            QCOMPARE(w.main->headerStrip().columnWidth(0), pathWidth);
            for (int c = 1; c < 7; ++c) {
                QCOMPARE(w.main->grid().columnWidth(c), fixed[c]);
                QCOMPARE(w.main->headerStrip().columnWidth(c), fixed[c]);
            }
        };
        check(985 - 45 - others);
        w.main->resize(1085, 662);
        QTRY_COMPARE(w.main->width(), 1085);
        check(1085 - 45 - others);
    }

    // 21 x RowCount + 75, capped at 600; a taller window is never made lower.
    void windowGrowsWithTheListButNeverShrinks() {
        TempDir dir;
        std::vector<std::string> ten;
        for (int i = 0; i < 10; ++i) ten.push_back(dir.Write("f" + std::to_string(i), "x"));
        Window w({"-noautocheck"});
        w.main->resize(985, 200);
        QTRY_VERIFY(w.main->height() < 306);
        w.dialogs->files.push_back(ten);
        w.Menu("Add files");
        QCOMPARE(w.main->height(), 306);

        std::vector<std::string> more;
        for (int i = 0; i < 20; ++i) more.push_back(dir.Write("g" + std::to_string(i), "y"));
        w.dialogs->files.push_back(more);
        w.Menu("Add files");
        QCOMPARE(w.main->height(), 600);

        w.main->resize(985, 700);
        QTRY_COMPARE(w.main->height(), 700);
        w.Menu("Flag ALL");
        QCOMPARE(w.main->height(), 700);
    }

    // Each caption in the font the window draws with, clear of its control's edges.
    void captionsFitTheirControls() {
        Window w({"-noautocheck"});
        const auto clear = [](const QWidget& widget, const QRect& inside, const QString& text) {
            const int room = inside.width() - widget.fontMetrics().horizontalAdvance(text);
            if (room < 4) qWarning() << text << "has" << room << "pixels of room";
            return room >= 4;
        };
        const auto button = [&](const QPushButton& b, const QString& text) {
            QStyleOptionButton option;
            option.initFrom(&b);
            option.text = text;
            return clear(b, b.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &b),
                         text);
        };
        QVERIFY(button(w.main->haltButton(), "Halt Calculation"));
        QVERIFY(button(w.main->haltButton(), "Resume Calculation"));
        const auto* hideShow = w.main->findChild<QPushButton*>("hideShowButton");
        QVERIFY(button(*hideShow, "HIDE") && button(*hideShow, "SHOW"));
        const auto* onOff = w.main->findChild<QLabel*>("onOffLabel");
        for (const char* text : {"Binary View ON", "Binary View OFF"})
            QVERIFY(clear(*onOff, onOff->contentsRect(), text));
        QVERIFY(clear(w.main->versionBox(), w.main->versionBox().contentsRect(), "v 1.420"));
        // Every caption of the header strip, with any of its sort marks.
        for (int column = 1; column < 7; ++column) {
            const QRect cell =
                w.main->headerStrip().visualRect(w.main->headerModel().index(0, column));
            for (const char* mark : {" ^", " v", " +"})
                QVERIFY(clear(w.main->headerStrip(), cell,
                              w.Caption(column).section(' ', 0, 0) + mark));
        }
        // The title bar's caption keeps clear of the switch and is cut in its middle only.
        TempDir dir;
        const std::string deep = dir.Write(std::string(250, 'x') + "/name.bin", "n");
        QVERIFY(w.main->hexView().SetViewedFile(deep, nullptr));
        w.main->hexView().Refresh();
        const auto* caption = w.main->findChild<QLabel*>("titleLabel");
        QVERIFY(caption->x() >= hideShow->geometry().right());
        QVERIFY(caption->text().endsWith("name.bin") && caption->text().startsWith("/"));
        QCOMPARE(caption->toolTip(), w.main->hexView().titleCaption());
    }

    // At the desktop's default font the window's text keeps the size it was drawn at; a larger
    // desktop font makes it larger, and the rows and bars as high as their text needs.
    void textFollowsTheDesktopsFontSize() {
        QCOMPARE(QFontInfo(Window({"-noautocheck"}).main->font()).pixelSize(), 11);
        const QFont desktop = QApplication::font();
        QFont larger = desktop;
        larger.setPointSizeF(2 * desktop.pointSizeF());
        QApplication::setFont(larger);
        Window w({"-noautocheck"});
        QApplication::setFont(desktop);
        const int pixels = QFontInfo(w.main->font()).pixelSize();
        QVERIFY2(pixels >= 20, qPrintable(QString::number(pixels)));
        vellum::ui::ListGrid& grid = w.main->grid();
        QCOMPARE(grid.font().pixelSize(), pixels);
        QVERIFY(grid.verticalHeader()->defaultSectionSize() > grid.fontMetrics().height());
        QVERIFY(w.main->headerStrip().height() > w.main->headerStrip().fontMetrics().height());
        QVERIFY(w.main->hexView().grid()->font().pixelSize() >= 20);
        QVERIFY(w.main->findChild<QWidget*>("titleBar")->height() >
                w.main->hexView().fontMetrics().height());
        QPushButton& halt = w.main->haltButton();
        QVERIFY(halt.width() > halt.fontMetrics().horizontalAdvance("Resume Calculation"));
        QVERIFY(halt.height() >= halt.sizeHint().height());
    }

    void hideAndShowTheBinaryView() {
        Window w({"-noautocheck"});
        auto* hideShow = w.main->findChild<QPushButton*>("hideShowButton");
        QVERIFY(hideShow);
        QCOMPARE(w.main->bottomPanel().height(), 264);
        hideShow->click();
        QCOMPARE(w.main->bottomPanel().height(), 60);
        QVERIFY(!w.main->splitter().isVisible());
        QVERIFY(!w.main->hexView().gridShown());
        QCOMPARE(w.main->hexView().viewState().HexViewHeight, 204);
        hideShow->click();
        QCOMPARE(w.main->bottomPanel().height(), 264);
        QVERIFY(w.main->splitter().isVisible());

        // In a window too low for the remembered height the view takes what there is.
        hideShow->click();
        w.main->resize(985, 300);
        QTRY_COMPARE(w.main->height(), 300);
        hideShow->click();
        QCOMPARE(w.main->bottomPanel().height(), 200);
    }

    void failedAddShowsBoldRedUntilTheMessageExpires() {
        TempDir dir;
        const std::string locked = dir.Write("locked.bin", "secret");
        const std::string open = dir.Write("open.bin", "12345");
        Window w({"-noautocheck"});
        vellum::test::FakeFiles fs;  // the file exists but cannot be opened
        fs.Fail({vellum::test::FakeFiles::Call::Open, locked, EACCES});
        w.ctx().fs = &fs;
        w.dialogs->files.push_back({locked, open});
        w.Menu("Add files");
        QLabel& panel = w.main->statusPanel();
        QCOMPARE(panel.text(), QString::fromStdString(locked + " failed"));
        QVERIFY(panel.font().bold());
        QCOMPARE(panel.palette().color(QPalette::WindowText), QColor(0xFF0000));
        for (int tick = 0; tick < 5; ++tick) w.main->MessageTick();
        QCOMPARE(panel.text(), "Listing 1 files, total 5 bytes, 0 flagged 0 bytes");
        QVERIFY(!panel.font().bold());
        QCOMPARE(panel.palette().color(QPalette::WindowText),
                 w.main->palette().color(QPalette::WindowText));
        w.ctx().fs = &vellum::platform::RealFileSystem();
    }

    // Halt stops the pass on the file it is reading; Resume reads it again from the start.
    void haltDuringALongPassAndResume() {
        TempDir dir;
        const std::string big = dir.Write("big.bin", std::string(3 * 0x100000 + 7, 'z'));
        Window w({"-noautocheck"}, FastClock());
        QPushButton& button = w.main->haltButton();
        WhenReading(w, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
        w.dialogs->files.push_back({big});
        w.Menu("Add files");
        QCOMPARE(w.ctx().table[1].status, EntryStatus::CALCING);
        QCOMPARE(w.Cell(1, 6), QString("CALCING"));
        QCOMPARE(button.text(), QString("Resume Calculation"));
        QCOMPARE(w.StatusText(), QString("Listing 1 files, processing..."));

        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(button.text(), QString("Halt Calculation"));
        QCOMPARE(w.ctx().table[1].status, EntryStatus::OKAY);
        QCOMPARE(w.ctx().table[1].size, 3 * 0x100000 + 7);
        QCOMPARE(w.StatusText(), "Listing 1 files, total " + Grouped(3 * 0x100000 + 7) +
                                     " bytes, 0 flagged 0 bytes");
    }

    // A Status double click during a pass sets the marker at once; the pass that is running
    // counted the row as flagged, and the one run after it counts again.
    void statusDoubleClickDuringAPassRecountsAfterIt() {
        TempDir dir;
        const std::string small = dir.Write("small.txt", "12345");
        const std::string big = dir.Write("big.bin", std::string(2 * 0x100000, 'b'));
        Window w({"-noautocheck", small}, FastClock());
        w.ClickCell(1, 6);
        QCOMPARE(w.ctx().state.FlaggedCount, 1);
        WhenReading(w, [&] { w.DoubleClickCell(1, 6); });
        w.dialogs->files.push_back({big});
        w.Menu("Add files");
        QCOMPARE(w.ctx().table[1].status, EntryStatus::MARKER);
        QCOMPARE(w.ctx().table[2].status, EntryStatus::OKAY);
        QCOMPARE(w.ctx().state.FlaggedCount, 0);
        QCOMPARE(w.StatusText(), "Listing 2 files, total " + Grouped(2 * 0x100000 + 5) +
                                     " bytes, 0 flagged 0 bytes");
    }

    // Closing while a pass reads halts it; the window goes once the pass has returned.
    void closeDuringAPassHaltsItFirst() {
        TempDir dir;
        const std::string big = dir.Write("big.bin", std::string(4 * 0x100000, 'q'));
        const std::string next = dir.Write("next.bin", "n");
        Window w({"-noautocheck"}, FastClock());
        bool closedInsidePass = false;
        WhenReading(w, [&] {
            w.main->close();
            closedInsidePass = !w.main->isVisible();
        });
        w.dialogs->files.push_back({big, next});
        w.Menu("Add files");
        QVERIFY(!closedInsidePass);
        QCOMPARE(w.ctx().table[1].status, EntryStatus::CALCING);
        // Never calculated: it was in flight beside the first (CALCING), or never taken up.
        QVERIFY(w.ctx().table[2].status != EntryStatus::OKAY);
        QTRY_VERIFY(!w.main->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
