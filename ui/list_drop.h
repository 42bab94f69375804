// Files and folders dropped on the file list from a file manager or the desktop: the local
// paths of the drop, as bytes, are handed to the window once the drop is over, so that the
// dragging program is not kept waiting while they are added and calculated. While the window
// is busy (a list pass runs) a drop is refused, as the list's menu is.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QWidget;

namespace vellum::ui {

// The local files of a drop (file URLs of this machine), each path as the file system's bytes
// without a trailing "/".
[[nodiscard]] std::vector<std::string> DroppedPaths(const QMimeData& data);

class ListDrop final : public QObject {
    Q_OBJECT

  public:
    using Busy = std::function<bool()>;
    using Take = std::function<void(const std::vector<std::string>&)>;

    // Watches target, which becomes a drop target, for as long as target lives.
    ListDrop(QWidget* target, Busy busy, Take take);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Busy busy_;
    Take take_;
    bool taking_ = false;  // a drop's paths are being added
};

}  // namespace vellum::ui
