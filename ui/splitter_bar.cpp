#include "ui/splitter_bar.h"

#include <QMouseEvent>

namespace vellum::ui {

SplitterBar::SplitterBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kSplitterHeight);
    setCursor(Qt::SizeVerCursor);
}

void SplitterBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // Screen coordinates: the bar itself moves while it is dragged.
    pressY_ = qRound(event->globalPosition().y());
    dragging_ = true;
    emit dragStarted();
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) emit dragged(qRound(event->globalPosition().y()) - pressY_);
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

}  // namespace vellum::ui
