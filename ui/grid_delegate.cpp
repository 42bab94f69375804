#include "ui/grid_delegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

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

bool GridCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    const int room = option.rect.width() - kCellTextInset;
    if (option.fontMetrics.horizontalAdvance(text) <= room) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
    return true;
}

}  // namespace vellum::ui
