// MainWindow's list side: the selection, double-click and mouse handlers of the list, the header
// click, the column fitting, and the heights of the bottom panel (splitter, hide and show).
#include <QHeaderView>
#include <QMenu>
#include <algorithm>
#include <utility>

#include "filelist/list_commands.h"
#include "platform/error_text.h"
#include "ui/grid_model.h"
#include "ui/hex_layout.h"
#include "ui/hex_view.h"
#include "ui/list_grid.h"
#include "ui/main_window.h"
#include "ui/splitter_bar.h"
#include "ui/values_dialog.h"

namespace vellum::ui {

namespace {

// What the list keeps when the splitter is dragged up: its border and the header strip.
constexpr int kListMinimumHeight = 2 * kPanelBorder + kHeaderStripHeight;

}  // namespace

void MainWindow::CellSelected(int row, int column) {
    if (ctx_.state.Updating) return;
    const std::int32_t previous = std::exchange(ctx_.state.SelectedRow, row);
    std::string error;
    const std::string path(std::as_const(ctx_.table)[row].path.view());
    if (!hexView_->SetViewedFile(path, &error)) {
        // No pass follows, but the highlight has moved all the same.
        gridModel_->RowChanged(previous);
        gridModel_->RowChanged(row);
        dialogs_->ShowError(
            platform::AboutFile(path + " (row " + std::to_string(row) + ")", error));
        return;
    }
    if (Columns().CoreColumn(column) == kColumnStatus) StatusClick(ctx_, row);
    ctx_.RunPass();
    hexView_->Refresh();
}

void MainWindow::CellDoubleClicked() {
    const QModelIndex current = listGrid_->currentIndex();
    if (current.isValid()) OpenRow(current.row(), current.column());
}

void MainWindow::OpenRow(int row, int column) {
    if (row < 1 || ctx_.state.RowCount <= 1 || row >= ctx_.state.RowCount) return;
    // During a pass the marker is set at once and the pass runs once more when the running one
    // is done, which recounts the totals; no second pass runs inside the first.
    if (Columns().CoreColumn(column) == kColumnStatus)
        ToggleMarker(ctx_, row);
    else
        valuesDialog_->ShowEntry(std::as_const(ctx_.table)[row], ctx_.calculate.digests);
}

void MainWindow::RightButtonPressed(QPoint globalPos) {
    if (!ctx_.state.Processing) popupMenu_->popup(globalPos);
}

void MainWindow::HeaderCellClicked(int column, int row) {
    vellum::SortByHeaderClick(ctx_, Columns().CoreColumn(column), row);
}

const ColumnMap& MainWindow::Columns() const {
    return gridModel_->columns();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitPathColumn();
}

// The path column takes what the window leaves beside the others, as it always has, but keeps
// room to be read (its cut paths show whole in their tooltips); a window too narrow for that
// scrolls the list sideways instead.
void MainWindow::FitPathColumn() {
    int fixed = 0;
    for (int column = 1; column < Columns().count(); ++column)
        fixed += listGrid_->columnWidth(column);
    listGrid_->setColumnWidth(0,
                              std::max(kPathColumnMinimum, width() - (kPathColumnMargin + fixed)));
    SyncHeaderColumns();
    ShowStatusWhole();
}

void MainWindow::SyncHeaderColumns() {
    for (int column = 0; column < Columns().count(); ++column)
        headerStrip_->setColumnWidth(column, listGrid_->columnWidth(column));
    // Row 0 is the header row, which the strip above shows instead.
    listGrid_->setRowHidden(0, true);
    // Scrolled to its end, the strip must show its last caption over the list's last column:
    // it ends where the rows do, short of the list's vertical scroll bar.
    headerStrip_->setMaximumWidth(listGrid_->viewport()->width());
}

void MainWindow::SetLowerPanelHeight(int height) {
    lowerPanel_->setFixedHeight(std::max(height, kLowerPanelMinimumHeight));
}

void MainWindow::SplitterDragged(int dy) {
    const int highest =
        std::max(kLowerPanelMinimumHeight, height() - kSplitterHeight - kListMinimumHeight);
    SetLowerPanelHeight(std::clamp(dragStartHeight_ - dy, kLowerPanelMinimumHeight, highest));
}

void MainWindow::ToggleHexView() {
    SetLowerPanelHeight(hexView_->ToggleShown(lowerPanel_->height(), height()));
    splitter_->setVisible(hexView_->gridShown());
}

}  // namespace vellum::ui
