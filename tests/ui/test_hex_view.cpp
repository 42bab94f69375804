// The binary view: byte and offset texts, cell looks, geometry, the block cache and the
// widget as the main window drives it.
#include <fcntl.h>
#include <unistd.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>

#include "filelist/list_context.h"
#include "tests/support/fake_files.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "ui/block_cache.h"
#include "ui/hex_layout.h"
#include "ui/hex_view.h"

using namespace vellum;
using namespace vellum::ui;

namespace {

constexpr qint64 kGiB = qint64{1} << 30;

using Call = test::FakeFiles::Call;

std::string Pattern(std::size_t size, char first, int period) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(first + i % period);
    return bytes;
}

// The pixels of a grab at this ratio that lie wholly inside a rectangle of the widget's
// coordinates (at 1.5 the edges of a cell share their pixels with the grid lines).
QRect Device(const QRect& rect, qreal ratio) {
    const auto inner = [ratio](int from, int length) {
        return std::pair(int(std::ceil(from * ratio)),
                         int(std::floor((from + length) * ratio)) - 1);
    };
    const auto [left, right] = inner(rect.x(), rect.width());
    const auto [top, bottom] = inner(rect.y(), rect.height());
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QString Text(const CellLook& look) {
    return QString::fromStdString(look.text);
}

}  // namespace

class TestHexView final : public QObject {
    Q_OBJECT

    test::TempDir dir_;
    // Counts what the view asks of the disk, and fails on demand where root could not be refused.
    std::unique_ptr<test::FakeFiles> fs_;
    test::RecordingHost host_;
    std::unique_ptr<ListContext> ctx_;

  private slots:
    void init() {
        ctx_ = std::make_unique<ListContext>();
        fs_ = std::make_unique<test::FakeFiles>();
        host_.posted.clear();
        ctx_->fs = fs_.get();
        ctx_->host = &host_;
    }

    void bytesRoundTripOverAllValues() {
        for (int b = 0; b < 256; ++b) {
            const std::string hex = HexByte(static_cast<std::uint8_t>(b));
            QCOMPARE(hex.size(), 2u);
            QCOMPARE(QString::fromStdString(hex), QString::fromStdString(hex).toLower());
            QCOMPARE(std::stoi(hex, nullptr, 16), b);
            const std::string shown = ShownChar(static_cast<std::uint8_t>(b));
            QCOMPARE(shown.size(), 1u);
            QCOMPARE(shown[0], b >= 32 && b <= 126 ? static_cast<char>(b) : ' ');
        }
    }

    void offsetsAndRows_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<QString>("lastOffset");
        QTest::newRow("empty") << 0ll << 5ll << "00000060";
        QTest::newRow("129 bytes") << 129ll << 6ll << "00000080";
        QTest::newRow("1000 bytes") << 1000ll << 33ll << "000003e0";
        QTest::newRow("4 GiB") << 4 * kGiB << 4 * kGiB / 32 + 1 << "ffffffe0";
        QTest::newRow("4 GiB + 1") << 4 * kGiB + 1 << 4 * kGiB / 32 + 2 << "100000000";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << (1ll << 58) + 1
                                 << "7fffffffffffffe0";
    }
    void offsetsAndRows() {
        QFETCH(qint64, size);
        QFETCH(qint64, rows);
        QFETCH(QString, lastOffset);
        QCOMPARE(HexRowCount(size), rows);
        QCOMPARE(Text(HexCellLook(0, rows - 1, size, {})), lastOffset);
    }

    void cellLooks() {
        struct Case {
            std::string content;
            int column;
            std::int64_t row;
            CellLook look;
        };
        const std::string mixed("\x41\x09\x7F\xE9", 4);
        const std::string counting = Pattern(33, '\0', 256);
        const std::string letters = Pattern(1000, 'A', 26);
        const CellLook face{"", kHexBlack, 0xFFFFFF, true};
        const Case cases[] = {
            {mixed, 0, 0, face},
            {mixed, 32, 0, {"1f", kHexBlack, 0xFFFFFF, true}},
            {mixed, 33, 0, face},
            {mixed, 0, 4, {"00000060", kOffsetRed, 0xFFFFFF, true}},
            {mixed, 1, 1, {"41", kHexBlack, kHexOddBackground}},
            {mixed, 33, 1, {"A", kCharBlue, kCharOddBackground}},
            {mixed, 2, 1, {"09", kHexBlack, kHexEvenBackground}},
            {mixed, 34, 1, {" ", kCharBlue, kCharEvenBackground}},
            {mixed, 35, 1, {" ", kCharBlue, kCharOddBackground}},
            {mixed, 4, 1, {"e9", kHexBlack, kHexEvenBackground}},
            {mixed, 5, 1, {"", kHexBlack, kHexOddBackground}},  // past the end: blank, coloured
            {counting, 1, 2, {"20", kHexBlack, kHexOddBackground}},
            {counting, 33, 2, {" ", kCharBlue, kCharOddBackground}},
            {counting, 2, 2, {"", kHexBlack, kHexEvenBackground}},
            {letters, 8, 32, {"4c", kHexBlack, kHexEvenBackground}},
            {letters, 40, 32, {"L", kCharBlue, kCharEvenBackground}},
            {letters, 41, 32, {"", kCharBlue, kCharOddBackground}},
        };
        for (const Case& c : cases) {
            const auto read = [&](std::int64_t offset) -> std::optional<std::uint8_t> {
                if (offset >= std::ssize(c.content)) qFatal("read past the end");
                return static_cast<std::uint8_t>(c.content[static_cast<std::size_t>(offset)]);
            };
            const CellLook look = HexCellLook(c.column, c.row, std::ssize(c.content), read);
            QVERIFY2(look == c.look, qPrintable(QStringLiteral("cell %1,%2 shows '%3'")
                                                    .arg(c.column)
                                                    .arg(c.row)
                                                    .arg(Text(look))));
        }
        const auto unavailable = [](std::int64_t) { return std::optional<std::uint8_t>(); };
        QCOMPARE(HexCellLook(2, 1, 4, unavailable), (CellLook{"", kHexBlack, kHexEvenBackground}));
    }

    void geometryAndScrollMap() {
        const HexColumns eight;
        QCOMPARE(eight.left(1), 57);
        QCOMPARE(eight.left(kFirstCharColumn), 505);
        QCOMPARE(eight.contentWidth(), 761);
        const std::pair<int, int> hits[] = {{56, 0},   {57, 1},   {504, 32},
                                            {505, 33}, {760, 64}, {761, -1}};
        for (const auto& [x, column] : hits) QCOMPARE(eight.columnAt(x), column);
        QCOMPARE(HexColumns(10).width(0), 70);

        // The design's cells where the font fits them; else two digits and a gap, one
        // character, one line. Offsets use the same digits.
        const std::pair<HexFontSizes, HexCellSizes> fits[] = {
            {{6.609375, 6.609375, 12.796875}, {6.609375, 16, 7, 18}},
            {{5.5, 6, 18.2}, {5.5, 13, 7, 19}},
            {{9.5, 10.25, 22}, {9.5, 21, 11, 22}},
        };
        for (const auto& [font, cells] : fits) QVERIFY(FitHexCells(font) == cells);
        const HexColumns wide(9, FitHexCells({9.5, 10.25, 22}));
        QCOMPARE(wide.width(0), 86);
        QCOMPARE(wide.left(kFirstCharColumn), 87 + 32 * 22);
        QCOMPARE(wide.contentWidth(), 87 + 32 * 22 + 32 * 12);

        for (const std::int64_t lastTop : {0ll, 1000ll, 1ll << 31, 1ll << 40, 1ll << 58}) {
            const ScrollMap map = ScrollMapFor(lastTop);
            QCOMPARE(TopFor(map.maximum, map), lastTop);
            QCOMPARE(ScrollValueFor(lastTop, map), map.maximum);
            QCOMPARE(TopFor(ScrollValueFor(lastTop / 2, map), map) / map.scale,
                     lastTop / 2 / map.scale);
            if (lastTop <= std::numeric_limits<int>::max()) QCOMPARE(map.scale, 1ll);
        }
    }

    void captionClearsThePanels_data() {
        QTest::addColumn<int>("text");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut");
        QTest::newRow("centred") << 300 << 342 << 300 << false;
        QTest::newRow("would run under the panels") << 800 << 136 << 800 << false;
        QTest::newRow("fills the room exactly") << 849 << 136 << 849 << false;
        QTest::newRow("too long") << 850 << 136 << 849 << true;
    }
    void captionClearsThePanels() {
        QFETCH(int, text);
        QFETCH(int, left);
        QFETCH(int, width);
        QFETCH(bool, cut);
        QVERIFY(PlaceCaption(985, 136, text) == (CaptionPlace{left, width, cut}));
    }

    void hideShowHeights_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("remembered");
        QTest::addColumn<int>("lowerPanel");
        QTest::newRow("room to spare") << 662 << 204 << 264;
        QTest::newRow("just enough") << 364 << 204 << 264;
        QTest::newRow("one short") << 363 << 203 << 263;
        QTest::newRow("tiny window") << 80 << -80 << kLowerPanelMinimumHeight;
    }
    void hideShowHeights() {
        QFETCH(int, window);
        QFETCH(int, remembered);
        QFETCH(int, lowerPanel);
        HexView view(*ctx_);
        QSignalSpy clicked(&view, &HexView::hideShowClicked);
        view.findChild<QPushButton*>("hideShowButton")->click();
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(view.ToggleShown(264, 662), 60);
        QCOMPARE(view.viewState().HexViewHeight, 204);
        QVERIFY(!view.gridShown());
        QCOMPARE(view.onOffCaption() + view.hideShowCaption(), "Binary View OFFSHOW");
        QCOMPARE(view.ToggleShown(60, window), lowerPanel);
        QCOMPARE(view.viewState().HexViewHeight, remembered);
        QVERIFY(view.gridShown());
        QCOMPARE(view.onOffCaption() + view.hideShowCaption(), "Binary View ONHIDE");
    }

    void cacheFillsSlotsInTurn() {
        const std::string a = dir_.Write("a", Pattern(6 * kCacheBlockSize, 'a', 26));
        const std::string b = dir_.Write("A", Pattern(100, '0', 10));
        BlockCache cache(*ctx_);
        for (int block = 0; block < 5; ++block) {
            QCOMPARE(*cache.ReadCachedByte(a, block * kCacheBlockSize + 27),
                     'a' + (block * 16384 + 27) % 26);
        }
        QCOMPARE(fs_->Calls(Call::Open), 5);
        QCOMPARE(*cache.ReadCachedByte(a, 1), 'b');  // slot 0, no read
        QCOMPARE(*cache.ReadCachedByte(b, 1), '1');  // another path, same offset: a miss
        QCOMPARE(fs_->Calls(Call::Open), 6);
        QCOMPARE(cache.NextSlot(), 0);
        QCOMPARE(cache.slot(0).slotPath, b);
        QCOMPARE(*cache.ReadCachedByte(a, kCacheBlockSize), 'a' + 16384 % 26);  // slot 1 kept
        QCOMPARE(fs_->Calls(Call::Open), 6);
        QCOMPARE(*cache.ReadCachedByte(a, 0), 'a');  // block 0 of a was evicted
        QCOMPARE(fs_->Calls(Call::Open), 7);
        QCOMPARE(cache.NextSlot(), 1);
    }

    void cacheReadsNothingWhileProcessingAndZerosPastAShortRead() {
        const std::string full = dir_.Write("full", std::string(10 * kCacheBlockSize, '\xFF'));
        const std::string shrunk = dir_.Write("shrunk", "xyz");
        BlockCache cache(*ctx_);
        ctx_->state.Processing = true;
        QCOMPARE(*cache.ReadCachedByte(full, 10), 0);
        QCOMPARE(fs_->Calls(Call::Open), 0);
        ctx_->state.Processing = false;
        for (int block = 0; block < 10; ++block) {
            (void)cache.ReadCachedByte(full, block * kCacheBlockSize);
        }
        QCOMPARE(*cache.ReadCachedByte(full, 10), 0xFF);  // the pass's zeros were not kept
        // Every block buffer has held 0xFF bytes by now; a short file must not inherit them.
        QCOMPARE(*cache.ReadCachedByte(shrunk, 2), 'z');
        QCOMPARE(*cache.ReadCachedByte(shrunk, 3000), 0);
    }

    void cacheReportsAFailureOnce() {
        const std::string path = dir_.Write("locked", "abc");
        BlockCache cache(*ctx_);
        QStringList reports;
        cache.SetFailureHook([&](const std::string& p, const std::string& error) {
            reports << QString::fromStdString(p + ": " + error);
        });
        QCOMPARE(*cache.ReadCachedByte(path, 0), 'a');
        fs_->Fail({Call::Open, "", EACCES});
        for (int i = 0; i < 1000; ++i) QVERIFY(!cache.ReadCachedByte(path, kCacheBlockSize + i));
        QCOMPARE(*cache.ReadCachedByte(path, 1), 'b');  // the block read before stays
        QCOMPARE(reports, QStringList{QString::fromStdString(path + ": Permission denied")});
        QCOMPARE(fs_->Calls(Call::Open), 2);

        fs_->Heal();
        fs_->Fail({Call::ReadAt, "", EIO});
        cache.ForgetFailure();
        QVERIFY(!cache.ReadCachedByte(path, kCacheBlockSize));
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports.last().endsWith("Input/output error"));
        QCOMPARE(cache.NextSlot(), 0);  // the failed read took no slot
    }

    void viewStartsEmptyAndRefusesAMissingFile() {
        HexView view(*ctx_);
        QCOMPARE(view.grid()->rowCount(), 5);
        QCOMPARE(Text(view.Cell(0, 4)), "00000060");
        QCOMPARE(view.onOffCaption() + view.hideShowCaption(), "Binary View ONHIDE");
        QVERIFY(view.SetViewedFile(dir_.Write("ten", "0123456789"), nullptr));
        view.Refresh();
        std::string error;
        QVERIFY(!view.SetViewedFile(dir_ / "missing", &error));
        QCOMPARE(QString::fromStdString(error), "No such file or directory");
        // Neither the name nor the size of the file before stays over the one that failed.
        QCOMPARE(view.ViewedPath(), "");
        QCOMPARE(view.ViewedSize(), 0);
        QCOMPARE(view.titleCaption(), QString());
        QCOMPARE(view.grid()->rowCount(), 5);
        QCOMPARE(Text(view.Cell(1, 1)), "");
        QCoreApplication::processEvents();
        QCOMPARE(host_.posted.size(), 0u);  // the window's box has told it already
    }

    // Narrower than its columns, the grid scrolls the bytes sideways under the frozen offsets:
    // with the wheel tilted, and to follow the current cell.
    void aNarrowGridScrollsSideways() {
        HexView view(*ctx_);
        view.resize(300, 264);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.SetViewedFile(dir_.Write("wide", std::string(100, 'w')), nullptr));
        view.Refresh();
        HexGrid* grid = view.grid();
        const QPoint at = grid->viewport()->rect().center();
        QWheelEvent tilt(at, grid->viewport()->mapToGlobal(at), {}, QPoint(-120, 0), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &tilt);
        QVERIFY(grid->across() > 0);
        QCOMPARE(grid->cellRect(0, 1).left(), 0);
        QTest::keyClick(grid, Qt::Key_Home);
        QCOMPARE(grid->across(), 0);
        QTest::keyClick(grid, Qt::Key_End);
        const QRect last = grid->cellRect(kHexColumnCount - 1, grid->currentRow());
        QVERIFY(!last.isEmpty() && last.right() < grid->viewport()->width());
    }

    void smallFileAfterLargeMovesTheCurrentRow() {
        HexView view(*ctx_);
        view.resize(800, 264);
        view.show();
        QVERIFY(view.SetViewedFile(dir_.Write("large", std::string(10000, 'x')), nullptr));
        view.Refresh();
        QTest::keyClick(view.grid(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view.grid()->currentRow(), 313);
        QVERIFY(view.grid()->topRow() > 300);
        QVERIFY(view.SetViewedFile(dir_.Write("small", std::string(33, 'y')), nullptr));
        view.Refresh();
        QCOMPARE(view.grid()->rowCount(), 5);
        QCOMPARE(view.grid()->currentRow(), 4);
        QCOMPARE(view.grid()->topRow(), 1);
        QCOMPARE(view.titleCaption(), QString::fromStdString(dir_ / "small"));
    }

    void sparseFileAbove4GiBShowsItsTail() {
        const std::string path = dir_.Write("sparse", "");
        const std::int64_t size = 4 * kGiB + 100;
        QCOMPARE(::truncate(path.c_str(), size), 0);
        const int fd = ::open(path.c_str(), O_WRONLY);
        QCOMPARE(::pwrite(fd, "TAIL", 4, size - 4), 4);
        ::close(fd);
        HexView view(*ctx_);
        view.resize(800, 264);
        view.show();
        QVERIFY(view.SetViewedFile(path, nullptr));
        view.Refresh();
        QTest::keyClick(view.grid(), Qt::Key_End, Qt::ControlModifier);
        const std::int64_t last = view.grid()->currentRow();
        QCOMPARE(last, size / 32 + 1);
        QCOMPARE(Text(view.Cell(0, last)), "100000060");
        QCOMPARE(Text(view.Cell(1, last)) + Text(view.Cell(4, last)), "544c");
        QCOMPARE(Text(view.Cell(33, last)) + Text(view.Cell(36, last)), "TL");
        QCOMPARE(Text(view.Cell(5, last)) + Text(view.Cell(37, last)), "");
        QCOMPARE(Text(view.Cell(32, last - 1)), "00");
        QCOMPARE(view.cache().slot(view.cache().NextSlot()).slotStart, 4 * kGiB);
        // Nine digits of offset: the offset column widens, and the bytes scroll beside it.
        QVERIFY(view.grid()->columns().width(0) >
                vellum::ui::HexColumns(8, view.grid()->cells()).width(0));
    }

    void deletedFileShowsBlanksAndIsReportedOnce() {
        HexView view(*ctx_);
        view.resize(800, 264);
        const std::string path = dir_.Write("gone", "some bytes");
        QVERIFY(view.SetViewedFile(path, nullptr));
        view.Refresh();
        std::remove(path.c_str());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 20; ++i) view.grid()->viewport()->repaint();
        QCOMPARE(host_.posted.size(), 0u);  // never from inside a paint
        QCoreApplication::processEvents();
        QCOMPARE(host_.posted.size(), 1u);
        QCOMPARE(ctx_->message.StatusMessage, path + " failed");
        QCOMPARE(Text(view.Cell(1, 1)) + Text(view.Cell(33, 1)), "");
        QCOMPARE(fs_->Calls(Call::Open), 2);  // the selection and the first cell
    }

    void titleBarNeitherWidensNorMoves() {
        HexView view(*ctx_);
        const int minimum = view.minimumSizeHint().width();
        (void)view.SetViewedFile(std::string(600, 'x'), nullptr);
        view.Refresh();
        QCOMPARE(view.minimumSizeHint().width(), minimum);
        view.resize(985, 264);
        view.show();
        view.SetGridShown(false);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.findChild<QWidget*>("titleBar")->geometry(),
                 QRect(0, 0, 985, kTitleBarHeight));
    }

    // In the font the tests run under, as painted: a blank pixel column at least between the ink
    // of a cell's text and the grid line, in the header, the offsets and the bytes. (The bytes
    // have two or more; a screen scaled by 1.5 draws the font a little wider than measured.)
    void textsStandApartInTheirCells() {
        HexView view(*ctx_);
        view.resize(985, 264);
        view.show();
        std::string all(256, '\0');
        for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = static_cast<char>(b);
        QVERIFY(view.SetViewedFile(dir_.Write("all", all), nullptr));
        view.Refresh();
        HexGrid* grid = view.grid();
        const QImage image = grid->viewport()->grab().toImage();
        const qreal ratio = image.devicePixelRatio();  // a scaled screen paints finer
        const auto blankColumnsAtRight = [&](int column, std::int64_t row) {
            const QRect rect = Device(grid->cellRect(column, row), ratio);
            const QColor ground = image.pixelColor(rect.bottomRight());
            for (int x = rect.right(); x >= rect.left(); --x)
                for (int y = rect.top(); y <= rect.bottom(); ++y)
                    if (image.pixelColor(x, y) != ground) return (rect.right() - x) / ratio;
            return qreal(rect.width());
        };
        for (std::int64_t row = 0; row <= 8; ++row)
            for (int column = row == 0 ? 1 : 0; column <= 32; ++column)
                QVERIFY2(blankColumnsAtRight(column, row) >= 1,
                         qPrintable(QString("cell %1,%2: %3")
                                        .arg(column)
                                        .arg(row)
                                        .arg(blankColumnsAtRight(column, row))));
    }

    void paintsColoursWithTheHeaderFrozen() {
        HexView view(*ctx_);
        view.resize(985, 264);
        view.show();
        QVERIFY(view.SetViewedFile(dir_.Write("rows", Pattern(3200, 'a', 26)), nullptr));
        view.Refresh();
        QTest::keyClick(view.grid(), Qt::Key_End, Qt::ControlModifier);
        HexGrid* grid = view.grid();
        QCOMPARE(grid->geometry(), QRect(0, kTitleBarHeight, 985, 264 - kTitleBarHeight));
        const QImage image = grid->viewport()->grab().toImage();
        const QColor face = grid->palette().color(QPalette::Button);
        const auto corner = [&](int column, std::int64_t row) {
            const QRect rect = Device(grid->cellRect(column, row), image.devicePixelRatio());
            return image.pixelColor(rect.bottomRight());
        };
        const std::int64_t top = grid->topRow();
        QVERIFY(top > 1);
        QCOMPARE(corner(1, 0), face);
        QCOMPARE(corner(0, top), face);
        QCOMPARE(corner(1, top), QColor(0xFFFBF0));
        QCOMPARE(corner(2, top), QColor(0xC0DCC0));
        QCOMPARE(corner(33, top), QColor(0xC0C0C0));
        QCOMPARE(corner(34, top), QColor(0xFFFFFF));
    }
};

QTEST_MAIN(TestHexView)
#include "test_hex_view.moc"
