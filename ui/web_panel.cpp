#include "ui/web_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "ui/pictures.h"

namespace vellum::ui {
namespace {

struct PictureDesign {
    const char* name;
    std::string_view file;
};

// In LogoPicture's order.
constexpr PictureDesign kDesigns[] = {
    {"greyLogo", kWebGrey},
    {"greenLogo", kWebGreen},
    {"redLogo", kWebRed},
};

std::size_t Slot(net::LogoPicture which) {
    return static_cast<std::size_t>(which);
}

}  // namespace

WebPanel::WebPanel(QWidget* parent) : QFrame(parent) {
    setObjectName("webPanel");
    setFixedWidth(kWebPanelWidth);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (std::size_t k = 0; k < pictures_.size(); ++k) {
        auto* label = new QLabel(this);
        label->setObjectName(kDesigns[k].name);
        label->setFixedSize(kWebPanelWidth, kWebPictureHeight);
        SetPicture(*label, kDesigns[k].file);
        label->setCursor(Qt::PointingHandCursor);
        // All in one cell: a hidden one takes no room, so the visible one sits in the middle.
        layout->addWidget(label, 0, 0, Qt::AlignCenter);
        pictures_[k] = label;
    }
    ShowPicture(net::LogoPicture::kGrey, QString::fromLatin1(net::kClickHint));
}

void WebPanel::ShowPicture(net::LogoPicture which, const QString& hint) {
    shown_ = which;
    for (std::size_t k = 0; k < pictures_.size(); ++k) pictures_[k]->setVisible(k == Slot(which));
    picture(which).setToolTip(hint);
}

QLabel& WebPanel::picture(net::LogoPicture which) const {
    return *pictures_[Slot(which)];
}

bool WebPanel::OnPicture(QPoint at) const {
    const QLabel& visible = picture(shown_);
    return visible.geometry().contains(at);
}

// A picture does not take the mouse itself: its presses and releases arrive here, in this
// panel's coordinates, which tell a press on the logo from one on the bare panel.
void WebPanel::mousePressEvent(QMouseEvent* event) {
    leftPressed_ = event->button() == Qt::LeftButton;
    if (event->button() == Qt::RightButton && OnPicture(event->position().toPoint()))
        emit pictureRightPressed();
}

void WebPanel::mouseReleaseEvent(QMouseEvent* event) {
    // A click, as a button's: pressed here and let go still over the panel.
    const bool click = leftPressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    leftPressed_ = false;
    if (click) emit clicked();
}

}  // namespace vellum::ui
