#include "ui/list_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/grid_delegate.h"

namespace vellum::ui {

namespace {

// What both grids share: painted by the cell delegate, lines on, nothing editable, no
// selection look of Qt's own, no headers.
void SetUpGrid(QTableView& grid) {
    grid.setItemDelegate(new GridCellDelegate(&grid));
    grid.setShowGrid(true);
    grid.setGridStyle(Qt::SolidLine);
    grid.setSelectionMode(QAbstractItemView::NoSelection);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setWordWrap(false);
    grid.setCornerButtonEnabled(false);
    grid.setFrameShape(QFrame::NoFrame);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.horizontalHeader()->setMinimumSectionSize(0);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.verticalHeader()->setMinimumSectionSize(0);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace

ListGrid::ListGrid(QWidget* parent) : QTableView(parent) {
    SetUpGrid(*this);
    // Qt counts the grid line into the section, so a 20-pixel row takes 21.
    verticalHeader()->setDefaultSectionSize(kListRowHeight + kGridLineWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(false);
}

void ListGrid::mousePressEvent(QMouseEvent* event) {
    // The right button opens the menu and leaves the current cell alone, as other buttons do.
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightButtonPressed();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex hit = indexAt(event->position().toPoint());
    QTableView::mousePressEvent(event);
    if (hit.isValid()) emit cellSelected(hit.row(), hit.column());
}

void ListGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    event->accept();
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (!hit.isValid()) return;
    // Two quick clicks on different cells are two clicks, not a double click on either.
    if (hit != currentIndex()) {
        QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->globalPosition(),
                          event->button(), event->buttons(), event->modifiers());
        mousePressEvent(&press);
        return;
    }
    emit cellDoubleClicked();
}

void ListGrid::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && after != before) emit cellSelected(after.row(), after.column());
}

HeaderStrip::HeaderStrip(QWidget* parent) : QTableView(parent) {
    SetUpGrid(*this);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->setDefaultSectionSize(kHeaderStripHeight);
    setFixedHeight(kHeaderStripHeight);
}

void HeaderStrip::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid()) emit cellClicked(hit.column(), hit.row());
}

}  // namespace vellum::ui
