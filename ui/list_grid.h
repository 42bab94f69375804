// The two grid controls of the main window. ListGrid is the file list: uniform
// 20-pixel rows under 1-pixel lines, a horizontal scroll bar where the window is too narrow for
// its columns (long digests shown, a small screen), and the mouse and keyboard events of a grid
// whose handlers read the current cell. HeaderStrip is the one-row strip of captions
// above it, whose column widths and sideways scrolling the window keeps equal to the list's.
#pragma once

#include <QTableView>
#include <functional>
#include <optional>

namespace vellum::ui {

inline constexpr int kListRowHeight = 20;
inline constexpr int kGridLineWidth = 1;
inline constexpr int kHeaderStripHeight = 20;

// The file row that Up, Down, Page Up, Page Down, Home or End moves the selection to from the
// selected row (0 for none, or a row since removed), among rows 1 to lastRow with page rows on
// screen; nothing for any other key, or when the list is empty.
[[nodiscard]] std::optional<int> RowForKey(int key, int selected, int lastRow, int page);

class ListGrid final : public QTableView {
    Q_OBJECT

  public:
    explicit ListGrid(QWidget* parent = nullptr);

    // How many whole rows the list shows: the step of Page Up and Page Down.
    [[nodiscard]] int pageRows() const;
    // The row the keys move from, which the focus mark goes around while the list has the
    // focus; with none (0), the mark goes around the whole list.
    void SetKeyboardRow(std::function<int()> row) { keyboardRow_ = std::move(row); }

  signals:
    // A left click on a cell.
    void cellSelected(int row, int column);
    // A double click with the left button; the handler reads the current cell.
    void cellDoubleClicked();
    void rightButtonPressed(QPoint globalPos);
    // The keyboard's twins of the mouse: a key that moves the selected row (RowForKey), Enter,
    // the Menu key or Shift+F10, and Copy. Paste has no twin but the menu's digest check.
    void rowKeyPressed(int key);
    void enterPressed();
    void menuKeyPressed();
    void copyPressed();
    void pastePressed();
    // The area the rows are drawn in changed size (the window, or a scroll bar came or went).
    void viewportResized();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    [[nodiscard]] QRect FocusMarkRect() const;

    std::function<int()> keyboardRow_;
};

class HeaderStrip final : public QTableView {
    Q_OBJECT

  public:
    explicit HeaderStrip(QWidget* parent = nullptr);

  signals:
    void cellClicked(int column, int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// A row of either grid: as designed, or higher where the font needs it.
[[nodiscard]] int GridRowHeight(const QWidget& grid, int design);

}  // namespace vellum::ui
