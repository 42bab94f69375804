// The two grid controls of the main window. ListGrid is DrawGrid1, the file list: uniform
// 20-pixel rows under 1-pixel lines, no horizontal scroll bar, and the mouse and keyboard
// events of a grid whose handlers read the current cell. HeaderStrip is DrawGrid3, the one-row
// strip of captions above it, whose column widths the window keeps equal to the list's.
#pragma once

#include <QTableView>

namespace vellum::ui {

inline constexpr int kListRowHeight = 20;
inline constexpr int kGridLineWidth = 1;
inline constexpr int kHeaderStripHeight = 20;

class ListGrid final : public QTableView {
    Q_OBJECT

  public:
    explicit ListGrid(QWidget* parent = nullptr);

  signals:
    // A left click on a cell, or a key that moved the current cell.
    void cellSelected(int row, int column);
    // A double click with the left button; the handler reads the current cell.
    void cellDoubleClicked();
    void rightButtonPressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class HeaderStrip final : public QTableView {
    Q_OBJECT

  public:
    explicit HeaderStrip(QWidget* parent = nullptr);

  signals:
    void cellClicked(int column, int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace vellum::ui
