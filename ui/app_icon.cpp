#include "ui/app_icon.h"

#include <QSize>

namespace vellum::ui {

QIcon ApplicationIcon(const QString& id) {
    QIcon own;
    for (const int size : {48, 128, 256})
        own.addFile(QStringLiteral(":/icon/%1x%1/apps/vellum.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(id, own);
}

}  // namespace vellum::ui
