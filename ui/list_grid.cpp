#include "ui/list_grid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/fitted_size.h"
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
    // A digest column is wider than a step by columns could show in part.
    grid.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.horizontalHeader()->setMinimumSectionSize(0);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.verticalHeader()->setMinimumSectionSize(0);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace

int GridRowHeight(const QWidget& grid, int design) {
    return FitHeight(design, grid, 2 * kCellTextInset);
}

std::optional<int> RowForKey(int key, int selected, int lastRow, int page) {
    if (lastRow < 1) return std::nullopt;
    const int from = std::clamp(selected, 0, lastRow);
    const int step = std::max(page, 1);
    switch (key) {
        case Qt::Key_Up:
            return std::max(from - 1, 1);
        case Qt::Key_Down:
            return std::min(from + 1, lastRow);
        case Qt::Key_PageUp:
            return std::max(from - step, 1);
        case Qt::Key_PageDown:
            return std::min(from + step, lastRow);
        case Qt::Key_Home:
            return 1;
        case Qt::Key_End:
            return lastRow;
        default:
            return std::nullopt;
    }
}

ListGrid::ListGrid(QWidget* parent) : QTableView(parent) {
    SetUpGrid(*this);
    // Qt counts the grid line into the section, so a 20-pixel row takes 21.
    verticalHeader()->setDefaultSectionSize(kListRowHeight + kGridLineWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(false);
}

int ListGrid::pageRows() const {
    return std::max(1, viewport()->height() / verticalHeader()->defaultSectionSize());
}

void ListGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        verticalHeader()->setDefaultSectionSize(GridRowHeight(*this, kListRowHeight) +
                                                kGridLineWidth);
}

void ListGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    emit viewportResized();
}

void ListGrid::mousePressEvent(QMouseEvent* event) {
    // The right button opens the menu and leaves the current cell alone, as other buttons do.
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightButtonPressed(event->globalPosition().toPoint());
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
    const int key = event->key();
    const bool menuKey =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (event->matches(QKeySequence::Copy)) {
        emit copyPressed();
    } else if (event->matches(QKeySequence::Paste)) {
        emit pastePressed();
    } else if (menuKey) {
        emit menuKeyPressed();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit enterPressed();
    } else if (RowForKey(key, 0, 1, 1).has_value()) {  // any row will do: is it a moving key?
        emit rowKeyPressed(key);
    } else {
        // Left, Right and the rest move only the grid's own current cell, which shows nowhere.
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
}

// The mark is drawn in the rows' own dark ink, whatever the desktop's palette: the rows keep
// their light grounds under a dark palette too.
void ListGrid::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!hasFocus()) return;
    const QRect mark = FocusMarkRect();
    if (mark.isEmpty()) return;
    QPainter painter(viewport());
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(mark.adjusted(0, 0, -1, -1));
}

QRect ListGrid::FocusMarkRect() const {
    const int row = keyboardRow_ ? keyboardRow_() : 0;
    if (model() == nullptr || row < 1 || row >= model()->rowCount()) return viewport()->rect();
    const int last = model()->columnCount() - 1;
    const QRect first = visualRect(model()->index(row, 0));
    const QRect end = visualRect(model()->index(row, last));
    // Inside the grid lines, as the cells are.
    return QRect(first.topLeft(), end.bottomRight());
}

// The mark comes and goes with the focus.
void ListGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void ListGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

// Some window systems turn the Menu key into a context menu request of their own.
void ListGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) emit menuKeyPressed();
    event->accept();
}

HeaderStrip::HeaderStrip(QWidget* parent) : QTableView(parent) {
    SetUpGrid(*this);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->setDefaultSectionSize(kHeaderStripHeight);
    setFixedHeight(kHeaderStripHeight);
}

void HeaderStrip::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() != QEvent::FontChange) return;
    const int height = GridRowHeight(*this, kHeaderStripHeight);
    verticalHeader()->setDefaultSectionSize(height);
    setFixedHeight(height);
}

void HeaderStrip::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid()) emit cellClicked(hit.column(), hit.row());
}

}  // namespace vellum::ui
