// TMain's list side: the selection, double-click and mouse handlers of DrawGrid1, the header
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

void TMain::DrawGrid1Click(int row, int column) {
    if (ctx_.state.Updating) return;
    const std::int32_t previous = std::exchange(ctx_.state.SelectedRow, row);
    std::string error;
    const std::string path(std::as_const(ctx_.table)[row].path.view());
    if (!BinaryView->SetViewedFile(path, &error)) {
        // No pass follows, but the highlight has moved all the same.
        gridModel_->RowChanged(previous);
        gridModel_->RowChanged(row);
        dialogs_->ShowError(
            platform::AboutFile(path + " (row " + std::to_string(row) + ")", error));
        return;
    }
    if (Columns().CoreColumn(column) == kColumnStatus) StatusClick(ctx_, row);
    ctx_.RunPass();
    BinaryView->Refresh();
}

void TMain::DrawGrid1DblClick() {
    const QModelIndex current = DrawGrid1->currentIndex();
    if (current.isValid()) OpenRow(current.row(), current.column());
}

void TMain::OpenRow(int row, int column) {
    if (row < 1 || ctx_.state.RowCount <= 1 || row >= ctx_.state.RowCount) return;
    // During a pass the marker is set at once and the pass runs once more when the running one
    // is done, which recounts the totals; no second pass runs inside the first.
    if (Columns().CoreColumn(column) == kColumnStatus)
        ToggleMarker(ctx_, row);
    else
        Form4->ShowEntry(std::as_const(ctx_.table)[row], ctx_.calculate.digests);
}

void TMain::DrawGrid1MouseDown(QPoint globalPos) {
    if (!ctx_.state.Processing) PopupMenu1->popup(globalPos);
}

void TMain::DrawGrid3Click(int column, int row) {
    vellum::SortByHeaderClick(ctx_, Columns().CoreColumn(column), row);
}

const ColumnMap& TMain::Columns() const {
    return gridModel_->columns();
}

void TMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

// The path column takes what the window leaves beside the others, as it always has, but keeps
// room to be read (its cut paths show whole in their tooltips); a window too narrow for that
// scrolls the list sideways instead.
void TMain::FormResize() {
    int fixed = 0;
    for (int column = 1; column < Columns().count(); ++column)
        fixed += DrawGrid1->columnWidth(column);
    DrawGrid1->setColumnWidth(0,
                              std::max(kPathColumnMinimum, width() - (kPathColumnMargin + fixed)));
    SyncHeaderColumns();
    ShowStatusWhole();
}

void TMain::SyncHeaderColumns() {
    for (int column = 0; column < Columns().count(); ++column)
        DrawGrid3->setColumnWidth(column, DrawGrid1->columnWidth(column));
    // Row 0 is the header row, which the strip above shows instead.
    DrawGrid1->setRowHidden(0, true);
    // Scrolled to its end, the strip must show its last caption over the list's last column:
    // it ends where the rows do, short of the list's vertical scroll bar.
    DrawGrid3->setMaximumWidth(DrawGrid1->viewport()->width());
}

void TMain::SetPanel8Height(int height) {
    Panel8->setFixedHeight(std::max(height, kPanel8MinimumHeight));
}

void TMain::SplitterDragged(int dy) {
    const int highest =
        std::max(kPanel8MinimumHeight, height() - kSplitterHeight - kListMinimumHeight);
    SetPanel8Height(std::clamp(dragStartHeight_ - dy, kPanel8MinimumHeight, highest));
}

void TMain::Panel10Click() {
    SetPanel8Height(BinaryView->Panel10Click(Panel8->height(), height()));
    Splitter1->setVisible(BinaryView->gridShown());
}

}  // namespace vellum::ui
