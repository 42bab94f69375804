#include "ui/web_panel.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace vellum::ui {

WebPanel::WebPanel(QWidget* parent) : QFrame(parent), picture_(new QLabel(this)) {
    setObjectName("Panel2");
    setFixedWidth(kWebPanelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    picture_->setObjectName("Image1");
    picture_->setFixedSize(kWebPanelWidth, kWebPictureHeight);
    picture_->setCursor(Qt::PointingHandCursor);
    layout->addWidget(picture_, 0, Qt::AlignCenter);
    SetHint(QString::fromLatin1(kWebPictureHint));
}

void WebPanel::SetPicture(const QPixmap& picture) {
    picture_->setPixmap(picture);
}

void WebPanel::SetHint(const QString& hint) {
    picture_->setToolTip(hint);
}

void WebPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit leftClicked();
    if (event->button() == Qt::RightButton) emit rightClicked();
}

}  // namespace vellum::ui
