// The splitter: the 3-pixel bar between the list and the bottom panel. Dragging it tells the
// window how far the pointer moved; the window decides what the panels make of that.
#pragma once

#include <QWidget>

namespace vellum::ui {

inline constexpr int kSplitterHeight = 3;

class SplitterBar final : public QWidget {
    Q_OBJECT

  public:
    explicit SplitterBar(QWidget* parent = nullptr);

  signals:
    // The pointer is dy pixels below where the drag started (negative: above).
    void dragged(int dy);
    void dragStarted();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int pressY_ = 0;
    bool dragging_ = false;
};

}  // namespace vellum::ui
