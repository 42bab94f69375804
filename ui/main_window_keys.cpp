// MainWindow's list from the keyboard: moving the selected row, Enter, the Menu key, copying a row,
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

void MainWindow::ConnectKeys() {
    connect(listGrid_, &ListGrid::rowKeyPressed, this, &MainWindow::ListKeyPressed);
    connect(listGrid_, &ListGrid::enterPressed, this, &MainWindow::OpenSelectedRow);
    connect(listGrid_, &ListGrid::menuKeyPressed, this, &MainWindow::MenuKeyPressed);
    connect(listGrid_, &ListGrid::copyPressed, this, &MainWindow::CopySelectedRow);
    connect(listGrid_, &ListGrid::pastePressed, this, &MainWindow::PasteDigest);
    listGrid_->SetKeyboardRow([this] { return ctx_.state.SelectedRow; });
    setTabOrder(listGrid_, hexView_->grid());
    setTabOrder(hexView_->grid(), haltButton_);
}

void MainWindow::ListKeyPressed(int key) {
    const std::optional<int> row =
        RowForKey(key, ctx_.state.SelectedRow, ctx_.state.RowCount - 1, listGrid_->pageRows());
    if (!row) return;
    // As a click on the row's Filename cell: the grid's current cell moves, then the
    // selection handler runs (and does nothing during a pass).
    const int filename = Columns().ViewColumn(kColumnFilename);
    const QModelIndex cell = gridModel_->index(*row, filename);
    // A list scrolled sideways to its digests stays there: only the rows move.
    QScrollBar* sideways = listGrid_->horizontalScrollBar();
    const int across = sideways->value();
    listGrid_->setCurrentIndex(cell);
    listGrid_->scrollTo(cell);
    sideways->setValue(across);
    CellSelected(*row, filename);
}

void MainWindow::OpenSelectedRow() {
    OpenRow(ctx_.state.SelectedRow, Columns().ViewColumn(kColumnFilename));
}

void MainWindow::MenuKeyPressed() {
    // The platform may send both a key and a menu request for one press of the Menu key.
    if (popupMenu_->isVisible()) return;
    const QRect selected = listGrid_->visualRect(
        gridModel_->index(ctx_.state.SelectedRow, Columns().ViewColumn(kColumnFilename)));
    const QRect shown = listGrid_->viewport()->rect();
    const QPoint at = shown.contains(selected.center()) ? selected.center() : shown.topLeft();
    RightButtonPressed(listGrid_->viewport()->mapToGlobal(at));
}

void MainWindow::CopySelectedRow() {
    const std::int32_t row = ctx_.state.SelectedRow;
    if (row < 1 || row >= ctx_.state.RowCount) return;
    const std::string line = ShownLine(std::as_const(ctx_.table)[row]);
    QGuiApplication::clipboard()->setText(QFile::decodeName(QByteArray::fromStdString(line)));
}

}  // namespace vellum::ui
