// The binary view under the list: the title bar with its switch, and the hex grid that
// paints the viewed file's bytes through the block cache. MainWindow places it in
// its lower panel above the bottom bar and drives it from its selection handler and the list pass.
#pragma once

#include <QAbstractScrollArea>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/block_cache.h"
#include "ui/hex_layout.h"

class QLabel;
class QPushButton;

namespace vellum {
struct ListContext;
}

namespace vellum::ui {

// the hex grid. Drawn by hand because a table view keeps row positions in int pixels, and a
// 4 GiB file already has 2^27 rows of 19 pixels. Row 0 and column 0 are frozen; only the
// rows on screen are painted, each cell exactly as its CellLook says. Narrower than its
// columns, it scrolls sideways under the frozen offsets.
class HexGrid final : public QAbstractScrollArea {
    Q_OBJECT
  public:
    using CellSource = std::function<CellLook(int column, std::int64_t row)>;

    explicit HexGrid(CellSource source, QWidget* parent = nullptr);

    // Moves the current row and the top back inside the new rows.
    void SetRowCount(std::int64_t rows);
    [[nodiscard]] std::int64_t rowCount() const { return rowCount_; }
    void SetOffsetDigits(int digits);
    [[nodiscard]] const HexColumns& columns() const { return columns_; }
    // The cells as the grid's font needs them; they follow every change of the font.
    [[nodiscard]] const HexCellSizes& cells() const { return cells_; }

    // The current cell is never in row 0 or column 0; it is scrolled into view when it moves.
    void SetCurrentCell(int column, std::int64_t row);
    [[nodiscard]] std::int64_t currentRow() const { return currentRow_; }
    // The first data row on screen, and how many data rows fit whole.
    [[nodiscard]] std::int64_t topRow() const { return topRow_; }
    [[nodiscard]] int visibleRows() const;
    // Where a cell is drawn in the viewport; empty when it is not on screen.
    [[nodiscard]] QRect cellRect(int column, std::int64_t row) const;
    // How far the columns right of the offsets are scrolled to the left, in pixels.
    [[nodiscard]] int across() const { return across_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void FitCellsToFont();
    [[nodiscard]] int rowPitch() const { return cells_.rowHeight + kHexGridLineWidth; }
    [[nodiscard]] std::int64_t lastTop() const;
    [[nodiscard]] int rowTop(std::int64_t row) const;
    [[nodiscard]] std::int64_t rowAt(int y) const;
    [[nodiscard]] int cellLeft(int column) const;
    [[nodiscard]] int columnAt(int x) const;
    void ScrollTo(std::int64_t top);
    void ScrollAcrossTo(int column);
    void UpdateScrollBar();
    void UpdateSidewaysBar();
    void UpdateMinimumWidth();
    void PaintRow(QPainter& painter, std::int64_t row, const QRect& dirty);
    void PaintCell(QPainter& painter, int column, std::int64_t row, const QRect& rect);

    CellSource source_;
    HexCellSizes cells_;
    int offsetDigits_ = 8;
    HexColumns columns_;
    std::int64_t rowCount_ = 5;
    std::int64_t topRow_ = 1;
    std::int64_t currentRow_ = 1;
    int currentColumn_ = 1;
    int across_ = 0;
    ScrollMap map_;
    bool settingBar_ = false;
    int wheelRemainder_ = 0;
};

class HexView final : public QWidget {
    Q_OBJECT
  public:
    // Told once per viewed file that it can no longer be read while painting.
    using FailureReport = std::function<void(const std::string& path, const std::string& error)>;

    explicit HexView(vellum::ListContext& ctx, QWidget* parent = nullptr);

    // Selection handler step 1's ViewedPath and step 2: measures ViewedSize; false with the
    // error text when the file cannot be opened (the window shows the box and skips the rest).
    // The window checks Updating before calling.
    bool SetViewedFile(const std::string& path, std::string* error);
    // Steps 4 and 5: row count, current row clamped to the last row, repaint, title caption.
    void Refresh();
    // No file: an empty title over blank bytes, as before the first selection. For a file that
    // cannot be read, and for a list that holds no file any more.
    void Clear();
    // The end-of-pass repaint.
    void RepaintView();

    // Hide/show: grid visibility and the two captions.
    void SetGridShown(bool shown);
    [[nodiscard]] bool gridShown() const;
    // The whole of a HIDE/SHOW click short of resizing: hides or shows the grid, keeps
    // HexViewHeight, and returns the height the lower panel must take (MainWindow also hides or
    // shows the splitter with the grid).
    [[nodiscard]] int ToggleShown(int lowerPanelHeight, int windowHeight);

    [[nodiscard]] HexViewState& viewState() { return state_; }
    [[nodiscard]] const std::string& ViewedPath() const { return state_.ViewedPath; }
    [[nodiscard]] std::int64_t ViewedSize() const { return state_.ViewedSize; }
    // What the hex grid paints in a cell (reads through the cache).
    [[nodiscard]] CellLook Cell(int column, std::int64_t row);
    [[nodiscard]] HexGrid* grid() const { return grid_; }
    [[nodiscard]] BlockCache& cache() { return cache_; }
    // The title bar's caption, the viewed file's path; the bar shows it whole where there is room.
    [[nodiscard]] QString titleCaption() const;
    [[nodiscard]] QString onOffCaption() const;
    [[nodiscard]] QString hideShowCaption() const;

  signals:
    // HIDE/SHOW was clicked; MainWindow calls ToggleShown (or does the height rules itself).
    void hideShowClicked();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* BuildTitleBar();
    void FitTitleBar();
    void PlaceTitleCaption();
    void ReportLater(const std::string& path, const std::string& error);

    vellum::ListContext& ctx_;
    HexViewState state_;
    BlockCache cache_;
    FailureReport report_;
    QWidget* titleBar_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QString caption_;
    QLabel* onOffLabel_ = nullptr;
    QPushButton* hideShowButton_ = nullptr;
    HexGrid* grid_ = nullptr;
};

}  // namespace vellum::ui
