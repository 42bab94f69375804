// The list grid's cells: texts, text colours and backgrounds by status, band and selection,
// the row count that follows the list refresh rather than the table, and a view that follows
// the model's signals.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QMetaMethod>
#include <QPalette>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <functional>
#include <utility>

#include "filelist/list_context.h"
#include "ui/grid_model.h"

using vellum::EntryBand;
using vellum::EntryStatus;
using vellum::FileEntry;
using vellum::ui::GridBackground;
using vellum::ui::GridCellText;
using vellum::ui::GridTextColour;

Q_DECLARE_METATYPE(EntryStatus)
Q_DECLARE_METATYPE(EntryBand)

namespace {

FileEntry Entry(EntryStatus status, EntryBand band = EntryBand::OLD) {
    FileEntry e;
    e.path.assign("/data/some file.bin");
    e.size = 1234567;
    e.crc16 = 0xA3;
    e.crc32 = 0x1A;
    e.xsum = 0;
    for (int k = 0; k < 16; ++k) e.md5.bytes[k] = static_cast<std::uint8_t>(0xF0 + k);
    e.status = status;
    e.band = band;
    return e;
}

class PaintCount final : public QObject {
  public:
    explicit PaintCount(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

}  // namespace

class GridModelTest final : public QObject {
    Q_OBJECT

  private slots:
    void valuesAreHiddenUntilCalculated_data() {
        QTest::addColumn<EntryStatus>("status");
        QTest::addColumn<bool>("shown");
        QTest::newRow("EMPTY") << EntryStatus::EMPTY << false;
        QTest::newRow("WAITING") << EntryStatus::WAITING << false;
        QTest::newRow("RECHECK") << EntryStatus::RECHECK << true;
        QTest::newRow("CALCING") << EntryStatus::CALCING << false;
        QTest::newRow("OKAY") << EntryStatus::OKAY << true;
        QTest::newRow("FLAGGED") << EntryStatus::FLAGGED << true;
        QTest::newRow("INVALID") << EntryStatus::INVALID << false;
        QTest::newRow("DELETED") << EntryStatus::DELETED << true;
        QTest::newRow("MARKER") << EntryStatus::MARKER << true;
    }
    void valuesAreHiddenUntilCalculated() {
        QFETCH(EntryStatus, status);
        QFETCH(bool, shown);
        const FileEntry e = Entry(status);
        // Path and size show whatever the status.
        QCOMPARE(GridCellText(e, 0, ","), std::string("/data/some file.bin"));
        QCOMPARE(GridCellText(e, 1, ","), std::string("1,234,567"));
        const std::string expected[] = {"00A3", "0000001A", "0000",
                                        "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"};
        for (int column = 2; column <= 5; ++column)
            QCOMPARE(GridCellText(e, column, ","), shown ? expected[column - 2] : std::string());
    }

    void sizesAreGroupedOrBlank_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown") << qint64(-1) << ","
                                 << "";
        QTest::newRow("zero") << qint64(0) << ","
                              << "0";
        QTest::newRow("thousand") << qint64(1000) << ","
                                  << "1,000";
        QTest::newRow("dot separator") << qint64(1234567) << "."
                                       << "1.234.567";
        QTest::newRow("no-break space") << qint64(5000000000) << "\u00a0"
                                        << "5\u00a0000\u00a0000\u00a0000";
        QTest::newRow("other negative") << qint64(-2500) << ","
                                        << "-2,500";
    }
    void sizesAreGroupedOrBlank() {
        QFETCH(qint64, size);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        FileEntry e = Entry(EntryStatus::WAITING);
        e.size = size;
        QCOMPARE(QString::fromStdString(GridCellText(e, 1, separator.toStdString())), text);
    }

    void statusTextAndColour_data() {
        QTest::addColumn<EntryStatus>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("colour");
        QTest::newRow("EMPTY") << EntryStatus::EMPTY << "" << 0x000000u;
        QTest::newRow("WAITING") << EntryStatus::WAITING << "WAITING" << 0x808080u;
        QTest::newRow("RECHECK") << EntryStatus::RECHECK << "" << 0x000000u;
        QTest::newRow("CALCING") << EntryStatus::CALCING << "CALCING" << 0x808080u;
        QTest::newRow("OKAY") << EntryStatus::OKAY << "OKAY" << 0x008000u;
        QTest::newRow("FLAGGED") << EntryStatus::FLAGGED << "FLAGGED" << 0x008000u;
        QTest::newRow("INVALID is green") << EntryStatus::INVALID << "INVALID" << 0x008000u;
        QTest::newRow("DELETED") << EntryStatus::DELETED << "DELETED" << 0xFF0000u;
        QTest::newRow("MARKER") << EntryStatus::MARKER << "MARKER" << 0x000000u;
        QTest::newRow("unknown code") << EntryStatus{42} << "" << 0x000000u;
    }
    void statusTextAndColour() {
        QFETCH(EntryStatus, status);
        QFETCH(QString, text);
        QFETCH(uint, colour);
        const FileEntry e = Entry(status);
        QCOMPARE(QString::fromStdString(GridCellText(e, 6, ",")), text);
        QCOMPARE(GridTextColour(e, 6) & 0xFFFFFFu, colour);
        for (int column = 0; column < 6; ++column)
            QCOMPARE(GridTextColour(e, column) & 0xFFFFFFu, 0u);
    }

    void backgroundPrecedence_data() {
        QTest::addColumn<EntryStatus>("status");
        QTest::addColumn<EntryBand>("band");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<uint>("colour");
        QTest::newRow("selected hides FLAGGED")
            << EntryStatus::FLAGGED << EntryBand::NEW << true << 0xA6CAF0u;
        QTest::newRow("selected hides MARKER")
            << EntryStatus::MARKER << EntryBand::OLD << true << 0xA6CAF0u;
        QTest::newRow("FLAGGED over CHANGED")
            << EntryStatus::FLAGGED << EntryBand::CHANGED << false << 0xC0DCC0u;
        QTest::newRow("MARKER over IMPORTED")
            << EntryStatus::MARKER << EntryBand::IMPORTED << false << 0xFFFF00u;
        QTest::newRow("OLD") << EntryStatus::OKAY << EntryBand::OLD << false << 0xFFFFFFu;
        QTest::newRow("NEW") << EntryStatus::OKAY << EntryBand::NEW << false << 0xFFFBF0u;
        QTest::newRow("IMPORTED") << EntryStatus::RECHECK << EntryBand::IMPORTED << false
                                  << 0xC0C0C0u;
        QTest::newRow("CHANGED") << EntryStatus::OKAY << EntryBand::CHANGED << false << 0xFFDCDCu;
        QTest::newRow("UNCHANGED")
            << EntryStatus::OKAY << EntryBand::UNCHANGED << false << 0xFFFBF0u;
        QTest::newRow("unknown band") << EntryStatus::OKAY << EntryBand{9} << false << 0xFFFFFFu;
    }
    void backgroundPrecedence() {
        QFETCH(EntryStatus, status);
        QFETCH(EntryBand, band);
        QFETCH(bool, selected);
        QFETCH(uint, colour);
        QCOMPARE(GridBackground(Entry(status, band), 3, selected ? 3 : 7) & 0xFFFFFFu, colour);
    }

    // The model answers the roles from the entry as it stands, for the rows the grid has.
    void modelAnswersRolesForTheGridsRowsOnly() {
        vellum::ListContext ctx;
        vellum::SizeFileTable(ctx);
        for (int i = 0; i < 3; ++i) (void)vellum::AppendRow(ctx, Entry(EntryStatus::OKAY));
        ctx.state.SelectedRow = 2;
        vellum::ui::FileGridModel model(ctx);
        // An add appends to the table first; the grid takes the rows at the list refresh.
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(!model.data(model.index(2, 0), Qt::DisplayRole).isValid());

        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.SetGridRowCount(ctx.state.RowCount);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.index(1, 6).data().toString(), QString("OKAY"));
        QCOMPARE(model.index(1, 6).data(Qt::ForegroundRole).value<QColor>(), QColor(0x008000));
        QCOMPARE(model.index(2, 3).data(Qt::BackgroundRole).value<QColor>(), QColor(0xA6CAF0));
        ctx.table[3].status = EntryStatus::FLAGGED;
        QCOMPARE(model.index(3, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xC0DCC0));

        // Row 0 is the header row: captions on button face.
        QCOMPARE(model.index(0, 1).data().toString(), QString("Size"));
        QCOMPARE(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
                 QApplication::palette().color(QPalette::Button));

        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.SetGridRowCount(0);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(removed.count(), 1);
    }

    // A million rows arrive in one signal; the last one is read like the first.
    void millionRowsInOneStep() {
        vellum::ListContext ctx;
        ctx.state.MaxFiles = 1'000'001;
        vellum::SizeFileTable(ctx);
        vellum::ui::FileGridModel model(ctx);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.SetGridRowCount(1'000'001);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 1'000'001);
        QCOMPARE(model.index(1'000'000, 0).data().toString(), QString());
    }

    // A view attached to the model follows each change of the list by the model's signals
    // alone, one signal a change however many rows it touches, never a reset; the tester holds
    // the signals to Qt's rules.
    void viewFollowsTheModelsSignalsAlone() {
        vellum::ListContext ctx;
        vellum::SizeFileTable(ctx);
        vellum::ui::FileGridModel model(ctx);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTableView view;
        view.setModel(&model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        PaintCount paints(*view.viewport());
        const auto rowsShown = [&](int rows) { return view.verticalHeader()->count() == rows; };
        using M = QAbstractItemModel;
        struct Change {
            const char* name;
            QMetaMethod signal;
            std::function<void()> make;
            std::function<bool(const QSignalSpy&)> followed;
        };
        const Change changes[] = {
            {"rows added", QMetaMethod::fromSignal(&M::rowsInserted),
             [&] {
                 for (int i = 0; i < 3; ++i) (void)vellum::AppendRow(ctx, Entry(EntryStatus::OKAY));
                 model.SetGridRowCount(ctx.state.RowCount);
                 view.setCurrentIndex(model.index(2, 0));
             },
             [&](const QSignalSpy&) { return rowsShown(4); }},
            // The current cell stays on its row number, as the selected row does.
            {"sorted", QMetaMethod::fromSignal(&M::layoutChanged),
             [&] {
                 model.RowsAboutToMove();
                 std::swap(ctx.table[2], ctx.table[3]);
                 model.RowsMoved();
             },
             [&](const QSignalSpy&) { return view.currentIndex().row() == 2; }},
            {"values changed", QMetaMethod::fromSignal(&M::dataChanged),
             [&] {
                 ctx.table[3].status = EntryStatus::FLAGGED;
                 model.ValuesChanged();
             },
             [&](const QSignalSpy& spy) {
                 const QModelIndex from = spy[0][0].toModelIndex();
                 const QModelIndex to = spy[0][1].toModelIndex();
                 return from.row() <= 3 && to.row() >= 3 && from.column() == 0 &&
                        to.column() == vellum::kColumnCount - 1;
             }},
            {"rows removed", QMetaMethod::fromSignal(&M::rowsRemoved),
             [&] {
                 ctx.state.RowCount = 2;
                 model.SetGridRowCount(ctx.state.RowCount);
             },
             [&](const QSignalSpy&) { return rowsShown(2); }},
        };
        for (const Change& change : changes) {
            QSignalSpy announced(&model, change.signal);
            QSignalSpy reset(&model, &M::modelReset);
            const int before = paints.count;
            change.make();
            QVERIFY2(announced.count() == 1 && reset.isEmpty(), change.name);
            QVERIFY2(change.followed(announced), change.name);
            QTRY_VERIFY2(paints.count > before, change.name);
        }
    }
};

QTEST_MAIN(GridModelTest)
#include "test_grid_model.moc"
