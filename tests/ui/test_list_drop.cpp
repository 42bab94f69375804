// Files and folders dropped on the list, as a file manager drops them: file URLs in the
// text/uri-list of the drop, delivered to the list's viewport.
#include <QDropEvent>
#include <QMimeData>

#include "filelist/list_context.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "ui/list_drop.h"

using vellum::EntryBand;
using vellum::EntryStatus;
using vellum::test::TempDir;
using vellum::test::Window;

namespace {

// Sends a drag entering the list and then the drop; true when both were accepted.
bool Drop(Window& w, const QByteArray& uriList) {
    QMimeData data;
    data.setData("text/uri-list", uriList);
    QWidget* viewport = w.main->grid().viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &drop);
    return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

QByteArray Uri(const std::string& path, const char* suffix = "") {
    return "file://" + QByteArray(path.data(), qsizetype(path.size())).toPercentEncoding("/") +
           suffix + "\r\n";
}

}  // namespace

class ListDropTest final : public QObject {
    Q_OBJECT

  private slots:
    void filesAreAddedAndFoldersWalkedThenCalculated() {
        TempDir dir;
        const std::string listed = dir.Write("listed.txt", "old");
        // A name that is not UTF-8 keeps its bytes from the URL to the row.
        const std::string loose = dir.Write("caf\xE9.bin", "loose");
        const std::string a = dir.Write("tree/a.txt", "a");
        const std::string b = dir.Write("tree/sub/b", "bb");
        Window w({"-noautocheck", listed});
        QVERIFY(Drop(w, Uri(dir / "tree", "/") + Uri(loose) + "http://example.invalid/x\r\n"));
        QTRY_COMPARE(w.ctx().state.RowCount, 5);
        // In the list's order, by file name.
        QCOMPARE(w.Paths(), (std::vector<std::string>{loose, listed, a, b}));
        for (std::int32_t i = 1; i < 5; ++i) QCOMPARE(w.ctx().table[i].status, EntryStatus::OKAY);
        // As Add files does, the rows that were there before become OLD.
        QCOMPARE(w.ctx().table[1].band, EntryBand::NEW);
        QCOMPARE(w.ctx().table[2].band, EntryBand::OLD);
        // Dropping a listed file again adds no second row.
        QVERIFY(Drop(w, Uri(loose)));
        QTest::qWait(50);
        QCOMPARE(w.ctx().state.RowCount, 5);
    }

    void refusedWhilePassRunsAndWithoutLocalFiles() {
        TempDir dir;
        const std::string file = dir.Write("one.txt", "1");
        Window w({"-noautocheck"});
        w.ctx().state.Updating = true;
        QVERIFY(!Drop(w, Uri(file)));
        w.ctx().state.Updating = false;
        QVERIFY(!Drop(w, "http://example.invalid/one.txt\r\n"));
        QTest::qWait(50);
        QCOMPARE(w.ctx().state.RowCount, 1);
    }
};

QTEST_MAIN(ListDropTest)
#include "test_list_drop.moc"
