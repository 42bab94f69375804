#include "ui/splash_window.h"

#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include "program_identity.h"
#include "ui/pictures.h"
#include "ui/qt_dialogs.h"

namespace vellum::ui {
namespace {

bool IsPureWhite(QRgb pixel) {
    return qRed(pixel) == 255 && qGreen(pixel) == 255 && qBlue(pixel) == 255;
}

QFont LabelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);  // whatever the desktop has in Arial's place
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

}  // namespace

QRegion SplashRegion(const QImage& picture, QPoint topLeft) {
    QRegion region(QRect(topLeft, picture.size()));
    for (int y = 0; y < picture.height(); ++y) {
        int start = 0;
        // One step past the last column reads as not white, which ends a run at the row's end.
        for (int x = 0; x <= picture.width(); ++x) {
            if (x < picture.width() && IsPureWhite(picture.pixel(x, y))) continue;
            if (start < x) region -= QRect(topLeft.x() + start, topLeft.y() + y, x - start, 1);
            start = x + 1;
        }
    }
    return region;
}

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      picture_(new QLabel(this)),
      versionLabel_(new QLabel(this)) {
    setObjectName("SplashWindow");
    setWindowTitle(QString::fromLatin1(kProgramName.data(), qsizetype(kProgramName.size())));
    setFixedSize(kSplashWidth, kSplashHeight);
    picture_->setObjectName("picture");
    picture_->setGeometry(0, 0, kSplashWidth, kSplashHeight);
    versionLabel_->setObjectName("versionLabel");
    versionLabel_->move(72, 184);
    versionLabel_->setFont(LabelFont());
    QPalette palette = versionLabel_->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    versionLabel_->setPalette(palette);
    versionLabel_->setAttribute(Qt::WA_TranslucentBackground);
    SetUp();
}

void SplashWindow::SetUp() {
    SetPicture(*picture_, kSplashBitmap);
    // The shape comes from the 1x bitmap, in the window's coordinates; a larger bitmap is white
    // exactly where this one is. Without its picture the splash stays a plain rectangle rather
    // than vanishing.
    const QImage bitmap = Picture(kSplashBitmap);
    if (!bitmap.isNull()) setMask(SplashRegion(bitmap, picture_->pos()));
}

void SplashWindow::showEvent(QShowEvent* event) {
    versionLabel_->setText(
        QStringLiteral("Version ") +
        QString::fromLatin1(kProgramVersion.data(), qsizetype(kProgramVersion.size())));
    versionLabel_->adjustSize();
    QWidget::showEvent(event);
}

void SplashWindow::ShowAndPaint() {
    CentreOnScreen(*this);
    show();
    repaint();
    shownAt_ = std::chrono::steady_clock::now();
}

void SplashWindow::HoldFor(std::chrono::milliseconds hold) {
    // A monotonic clock, so that a change of the system time cannot stretch the wait. Events
    // other than input still flow: under a window manager the splash may be mapped and exposed
    // only after show() returned, or be covered and uncovered while it waits, and it must be
    // able to paint itself then; and the manager's pings are answered.
    const auto end = shownAt_ + hold;
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        QEventLoop loop;
        QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(end - now),
                           Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

}  // namespace vellum::ui
