// TMain's list from the keyboard: moving the selected row, Enter, the Menu key, copying a row,
// pasting a digest to check it, and the tab order list, hex view, Halt/Resume.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <utility>

#include "interchange/export_line.h"
#include "ui/grid_model.h"
#include "ui/hex_view.h"
#include "ui/list_grid.h"
#include "ui/main_window.h"

namespace vellum::ui {

void TMain::ConnectKeys() {
    connect(DrawGrid1, &ListGrid::rowKeyPressed, this, &TMain::DrawGrid1KeyDown);
    connect(DrawGrid1, &ListGrid::enterPressed, this, &TMain::DrawGrid1Enter);
    connect(DrawGrid1, &ListGrid::menuKeyPressed, this, &TMain::DrawGrid1MenuKey);
    connect(DrawGrid1, &ListGrid::copyPressed, this, &TMain::CopySelectedRow);
    connect(DrawGrid1, &ListGrid::pastePressed, this, &TMain::PasteDigest);
    DrawGrid1->SetKeyboardRow([this] { return ctx_.state.SelectedRow; });
    setTabOrder(DrawGrid1, BinaryView->grid());
    setTabOrder(BinaryView->grid(), Button1);
}

void TMain::DrawGrid1KeyDown(int key) {
    const std::optional<int> row =
        RowForKey(key, ctx_.state.SelectedRow, ctx_.state.RowCount - 1, DrawGrid1->pageRows());
    if (!row) return;
    // As a click on the row's Filename cell: the grid's current cell moves, then the
    // selection handler runs (and does nothing during a pass).
    const int filename = Columns().ViewColumn(kColumnFilename);
    const QModelIndex cell = gridModel_->index(*row, filename);
    // A list scrolled sideways to its digests stays there: only the rows move.
    QScrollBar* sideways = DrawGrid1->horizontalScrollBar();
    const int across = sideways->value();
    DrawGrid1->setCurrentIndex(cell);
    DrawGrid1->scrollTo(cell);
    sideways->setValue(across);
    DrawGrid1Click(*row, filename);
}

void TMain::DrawGrid1Enter() {
    OpenRow(ctx_.state.SelectedRow, Columns().ViewColumn(kColumnFilename));
}

void TMain::DrawGrid1MenuKey() {
    // The platform may send both a key and a menu request for one press of the Menu key.
    if (PopupMenu1->isVisible()) return;
    const QRect selected = DrawGrid1->visualRect(
        gridModel_->index(ctx_.state.SelectedRow, Columns().ViewColumn(kColumnFilename)));
    const QRect shown = DrawGrid1->viewport()->rect();
    const QPoint at = shown.contains(selected.center()) ? selected.center() : shown.topLeft();
    DrawGrid1MouseDown(DrawGrid1->viewport()->mapToGlobal(at));
}

void TMain::CopySelectedRow() {
    const std::int32_t row = ctx_.state.SelectedRow;
    if (row < 1 || row >= ctx_.state.RowCount) return;
    const std::string line = ShownLine(std::as_const(ctx_.table)[row]);
    QGuiApplication::clipboard()->setText(QFile::decodeName(QByteArray::fromStdString(line)));
}

}  // namespace vellum::ui
