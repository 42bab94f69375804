#include "ui/pictures.h"

#include <QLabel>
#include <QString>
#include <string>

#include "ui/jpeg_image.h"

// The resources live in a static library; naming their initialiser keeps the linker from
// dropping them, and it must be named outside any namespace.
static void InitialisePictures() {
    Q_INIT_RESOURCE(vellum);
}

namespace vellum::ui {

QImage Picture(std::string_view name) {
    static const bool initialised = (InitialisePictures(), true);
    (void)initialised;
    const QString path = ":/pictures/" + QString::fromLatin1(name.data(), qsizetype(name.size()));
    if (name.ends_with(".jpg")) return LoadJpeg(path);
    return QImage(path, "BMP");
}

namespace {

// "splash.bmp" -> "splash@2x.bmp".
std::string Doubled(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string doubled(name.substr(0, dot));
    doubled += "@2x";
    if (dot != std::string_view::npos) doubled += name.substr(dot);
    return doubled;
}

}  // namespace

QPixmap PicturePixmap(std::string_view name, qreal ratio) {
    const QImage normal = Picture(name);
    if (ratio <= 1 || normal.isNull()) return QPixmap::fromImage(normal);
    QImage large = Picture(Doubled(name));
    if (large.isNull()) large = normal;
    const QSize wanted = (QSizeF(normal.size()) * ratio).toSize();
    if (large.size() != wanted)
        large = large.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap pixmap = QPixmap::fromImage(large);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void SetPicture(QLabel& label, std::string_view name) {
    label.setPixmap(PicturePixmap(name, label.devicePixelRatioF()));
}

}  // namespace vellum::ui
