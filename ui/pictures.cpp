#include "ui/pictures.h"

#include <QString>

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

}  // namespace vellum::ui
