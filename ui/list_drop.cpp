#include "ui/list_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <utility>

namespace vellum::ui {

std::vector<std::string> DroppedPaths(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        const bool here = url.host().isEmpty() || url.host() == QStringLiteral("localhost");
        if (!url.isLocalFile() || !here) continue;
        // Decoded from the URL's own escapes, so a name that is not UTF-8 keeps its bytes.
        std::string path =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

ListDrop::ListDrop(QWidget* target, Busy busy, Take take)
    : QObject(target), busy_(std::move(busy)), take_(std::move(take)) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool ListDrop::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    std::vector<std::string> paths = DroppedPaths(*drop->mimeData());
    if (taking_ || busy_() || paths.empty()) {
        drop->ignore();
        return true;
    }
    // The files are listed, never moved: a copy is all a drop may ask of its source.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        QTimer::singleShot(0, this, [this, paths = std::move(paths)] {
            if (taking_ || busy_()) return;
            // Adding lets events through while it walks; a second drop then waits its turn.
            taking_ = true;
            take_(paths);
            taking_ = false;
        });
    return true;
}

}  // namespace vellum::ui
