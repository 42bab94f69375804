// The byte side of the Qt edge: file names leave Qt in the file system's own encoding.
#include "ui/dialogs.h"

#include <QFile>
#include <QString>

namespace vellum::ui {

std::string PathFromQt(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace vellum::ui
