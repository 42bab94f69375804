#include "ui/grid_delegate.h"

#include <QPainter>

namespace vellum::ui {

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QRect cell = option.rect;
    const QColor background = index.data(Qt::BackgroundRole).value<QColor>();
    painter->save();
    painter->setClipRect(cell);
    painter->fillRect(cell, background);
    painter->setFont(option.font);
    painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
    painter->setBackground(background);
    painter->setBackgroundMode(Qt::OpaqueMode);
    painter->drawText(cell.adjusted(kCellTextInset, kCellTextInset, 0, 0),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

}  // namespace vellum::ui
