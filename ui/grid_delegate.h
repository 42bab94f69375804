// Paints one cell of the main window's grids as the list draws them: the cell filled with its
// background, the text 2 pixels in from the left and top in its colour, cut off at the cell's
// edge. No focus rectangle and no selection look: only the selected row's colour marks it.
// A cell whose text is cut shows the whole text as its tooltip.
#pragma once

#include <QStyledItemDelegate>

namespace vellum::ui {

inline constexpr int kCellTextInset = 2;

class GridCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT

  public:
    explicit GridCellDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

}  // namespace vellum::ui
